// The --help text, beside the option table it describes.
#include "cli/batch_options.h"

namespace vr {

std::string BatchUsage() {
  return R"(Usage: varenna-batch [options] INPUT...
Makes one thumbnail per picture with the settings of Varenna Pro.

An INPUT is a picture file or a folder. A folder adds the files directly in
it ending in .bmp, then .jpg, then .png, then every other picture extension
(any case), by name; sub-folders are searched with -r. Inputs from the
arguments and from --files-from lists are taken in the order given. The
output folder is made and checked before any picture is read: when it
cannot be written the run ends at once with exit status 1.

Output:
  -f, --format FMT       bmp, jpeg (or jpg), png, webp, avif or jxl (OUTformat)
  -q, --quality N        quality of the chosen format, 0 to 100 (JPEGquality,
                         WEBPquality, AVIFquality or JXLquality)
  -o, --output-dir DIR   write the thumbnails into DIR (OUTfolder)
  -n, --name CONVENTION  the file name without extension, with the tokens
                         %o (the picture's name), %## %### %#### (the row's
                         counter), %ddmmyyyy %mmddyyyy ... %hhmmss (OUTname)
      --date-folder      put them in a sub-folder named MMDDYYYY (OUTdatefolder)
      --date YYYY-MM-DD[THH:MM:SS]
                         the date and time the date tokens and the dated
                         folder use, instead of the clock's
      --colour srgb|keep srgb: convert pictures with a colour profile to
                         sRGB (the default); keep: keep their colours and
                         embed their profile (OUTcolour 0 or 1)
      --background RRGGBB the colour under transparent pictures saved as
                         JPEG (default FFFFFF, white; OUTbackground)
      --metadata WHAT    strip (the default), keep or no-location: what the
                         thumbnails keep of EXIF, XMP, IPTC and comments;
                         wins over --set OUTmetadata
      --no-create        do not create a missing output folder (its rows are
                         skipped); by default it is created and said so
      --keep-structure   write each thumbnail of a folder INPUT below the
                         output folder at its path below INPUT (OUTkeeptree)
      --if-exists WHAT   a thumbnail of that name is there: overwrite (the
                         default), skip, newer (skip when it is newer than its
                         picture and made with the same settings) or rename
                         (name (2).jpg, ...) (OUTifexists)

Inputs and scale:
      --files-from FILE  read inputs from FILE, one a line ("-": standard input)
  -0, --null             the lists are NUL-separated (find -print0)
      --shard I/N        render only rows I, I+N, I+2N, ... (0-based) of the
                         whole list, named as in one run; env or env/N read
                         I (and N) from SLURM_ARRAY_TASK_ID and _COUNT,
                         JOB_COMPLETION_INDEX or AWS_BATCH_JOB_ARRAY_INDEX
  -j, --jobs N           render on N worker threads (default: one per core)
      --report FILE      write one JSON object per row and a summary to FILE
                         ("-": standard output; the summary lines then go to
                         standard error)
      --dry-run          print each row's source and output; write nothing

Settings:
      --settings FILE    read the settings from FILE (a .reg settings file)
                         instead of the program's own store; FILE must exist
      --set NAME=VALUE   override one setting for this run (any setting of
                         --show-settings); may be repeated
      --show-settings    print the settings as NAME=VALUE lines and exit
      --strict           a damaged picture still gets its thumbnail, but
                         makes the exit status 1
      --version          print the program's version and exit
  -h, --help             show this text

Every option takes its value as --opt VALUE or --opt=VALUE, short ones as
-j 4 or -j4. Options and --set are applied in order; number settings are
checked against their ranges before any row, and one out of range stops
the run with its range named.

The run's final message goes to stdout; each failure to stderr once, with
its file and reason; a warning to stderr for each thumbnail made from a
damaged picture or one its decoder warned of; a progress bar to stderr when
it is a terminal. File names in them are quoted, with control characters
written as escapes.

Exit status: 0 every row was written (damaged pictures too, unless --strict)
or its thumbnail kept as --if-exists says, 1 some row failed or was skipped, 2 a usage or settings error (a value out
of range, no pictures in the inputs), 130 stopped by Ctrl+C (the rows
already started are finished, the summary is printed).
)";
}

}  // namespace vr
