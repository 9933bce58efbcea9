// The batch mode of the command line: no window and no display. Loads the
// table (FILE, or the session's own), applies the session when one is given,
// writes the clusters' CSV and ends: 0 on success; 1, with a message on
// standard error and nothing written, on any failure.
#pragma once

struct CommandLine;

int runBatch(const CommandLine& commandLine);

// `--info`: no window and no display. Loads the table (its progress lines
// kept off standard output) and prints what was made of it, as text or JSON;
// 0, or 1 with a message when the file cannot be read.
int runInfo(const CommandLine& commandLine);

// `--apply BIG --session S --export OUT`: no window and no display. Labels
// every row of BIG by the session's rules as it streams through (ApplyRun,
// TableStream) and writes OUT atomically ("-": standard input and output);
// the rows per leaf and group on standard error (and --summary-json). 0, or
// 1 with a message and nothing written under OUT's name.
int runApply(const CommandLine& commandLine);
