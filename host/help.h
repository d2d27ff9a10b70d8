// The usage line and the full help of mxpconvert.
#ifndef MIRTABEL_HOST_HELP_H
#define MIRTABEL_HOST_HELP_H

extern const char kUsage[];
extern const char kHelp[];

#endif
