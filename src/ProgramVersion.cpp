// The client's version as a line of its own inside the program file. The
// package's launcher reads it out of the packaged program and out of the
// user's copy (which the start-up update may have replaced) to tell which
// one is newer, without starting either.

#ifndef ORDER_VERSION
#define ORDER_VERSION "0"
#endif

[[gnu::used]] extern const char kProgramVersionLine[] = "\nNRCLIENT-VERSION=" ORDER_VERSION "\n";
