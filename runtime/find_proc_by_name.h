// Looks for a running process by its command name, the way monitoring looks
// for the local controller process.
#pragma once

// The pid of a process whose command name is name, or -1. The pid given
// (the one found last time, or <= 0) is tried before "/proc" is scanned.
int find_proc_by_name(const char* name, int pid);
