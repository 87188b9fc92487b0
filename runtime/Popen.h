// popen() and pclose() for a process whose child-exit service reaps every
// child: the exit status of a command started here is kept for Pclose even
// when the service reaped it first.
#pragma once

#include <cstdio>

// Runs command through "/bin/sh -c" with a pipe to its standard output
// (type "r") or input ("w"); null with errno set on failure.
FILE* Popen(const char* command, const char* type);
// Closes the stream and returns the command's wait status, or -1.
int Pclose(FILE* stream);
