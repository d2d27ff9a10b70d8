"""python3 -m mirtabel IN OUT: converts the MXP file IN into OUT, as mxpconvert IN OUT does, with
a few of its options."""
import argparse
import sys
import warnings

from . import ENCODINGS, FORMATS, MxpWarning, __version__, convert

EXTENSIONS = {".jsonl": "json", ".json": "json", ".html": "html", ".htm": "html"}


def arguments(argv):
    parser = argparse.ArgumentParser(
        prog="python3 -m mirtabel",
        description="Converts an MXP recipe export into flat records (one line per recipe), "
                    "JSON Lines of schema.org Recipe objects, or an HTML cookbook.",
        epilog="exit status: 0 when converted, 1 when the conversion failed, 2 for wrong usage.")
    parser.add_argument("input", metavar="IN", help="the MXP file to convert")
    parser.add_argument("output", metavar="OUT",
                        help="the file to write; replaced only once complete")
    parser.add_argument("--format", choices=list(FORMATS),
                        help="what to write; without it OUT's name chooses: *.jsonl and *.json "
                             "get json, *.html and *.htm html, any other records")
    parser.add_argument("-f", "--encoding", choices=ENCODINGS, metavar="NAME",
                        help="read input without a byte-order mark as NAME: "
                             + ", ".join(ENCODINGS) + " (default: utf-8, a byte that is not "
                             "UTF-8 read as windows-1252 or, where the text shows it, as cp437)")
    parser.add_argument("--force", action="store_true",
                        help="convert an input that looks like a binary file")
    parser.add_argument("--left-out", metavar="FILE",
                        help="write the text of the recipes left out to FILE")
    parser.add_argument("--marker", metavar="TEXT",
                        help="start each recipe at a line that ends with TEXT, not at IN's "
                             "first line; auto: at the line that opens recipes as MXP does")
    parser.add_argument("--title", metavar="TEXT",
                        help="title the cookbook TEXT instead of IN's name (html only)")
    parser.add_argument("-q", "--quiet", action="store_true",
                        help="print only warnings and errors")
    parser.add_argument("-V", "--version", action="version", version=f"mirtabel {__version__}")
    options = parser.parse_args(argv)
    if options.format is None:
        suffix = options.output[options.output.rfind("."):].lower() if "." in options.output else ""
        options.format = EXTENSIONS.get(suffix, "records")
    if options.title is not None and options.format != "html":
        parser.error("--title titles a cookbook: give --format=html or an OUT named *.html")
    return options


def main(argv=None):
    options = arguments(argv)
    try:
        with warnings.catch_warnings():  # printed below, as mxpconvert prints them
            warnings.simplefilter("ignore", MxpWarning)
            report = convert(options.input, options.output, format=options.format,
                             encoding=options.encoding, left_out_file=options.left_out,
                             title=options.title, marker=options.marker, force=options.force)
    except (OSError, ValueError, MemoryError) as error:
        print(f"mirtabel: {error}", file=sys.stderr)
        return 1
    if report.encoding.startswith("utf-8+cp437") and not options.quiet:  # as mxpconvert says it
        print(f"mirtabel: '{options.input}' read as {report.encoding_reason}", file=sys.stderr)
    for warning in report.warnings:
        print(f"mirtabel: warning: {warning}", file=sys.stderr)
    for entry in report.left_out:
        print(f"mirtabel: '{entry.title}' left out ({entry.reason})", file=sys.stderr)
    if not options.quiet:
        print(f"{report.records} recipe{'' if report.records == 1 else 's'} written to "
              f"'{options.output}'", file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main())
