// The batch mode of the command line: no window and no display. Loads the
// table (FILE, or the session's own), applies the session when one is given,
// writes the clusters' CSV and ends: 0 on success; 1, with a message on
// standard error and nothing written, on any failure.
#pragma once

struct CommandLine;

int runBatch(const CommandLine& commandLine);
