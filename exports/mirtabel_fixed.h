/* Mirtabel's fixed C++ exports: a class, a function and a variable that carry fixed values and
 * no behaviour, kept for the hosts that link to them (they are the DLL's ordinals 2 to 5). A C++
 * host that uses them includes this header; mirtabel.h declares the conversion itself. */
#ifndef MIRTABEL_FIXED_H
#define MIRTABEL_FIXED_H

#include "mirtabel.h"

#ifdef __cplusplus

/* A class that carries no data and no behaviour, kept for hosts that link to it. */
class MIRTABEL_API CMirtabel {
 public:
  /* Initialises nothing. */
  CMirtabel();
  /* Copies the object (which holds no data) and returns *this. */
  CMirtabel& operator=(const CMirtabel& other);
};

/* Returns 42 on every call. */
MIRTABEL_API int fnMirtabel();

/* Holds 0 until a host changes it; the library never reads or writes it. Unprotected: a host
 * that writes it from several threads must serialise those writes. */
extern MIRTABEL_API int nMirtabel;

#endif /* __cplusplus */

#endif /* MIRTABEL_FIXED_H */
