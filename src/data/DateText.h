// ISO 8601 dates and date-times as a table's date columns hold them, and the
// labels of a date axis. Times are seconds since 1970-01-01 00:00:00 UTC; a
// time without a zone is taken as UTC, so a file reads the same everywhere.
#pragma once

#include <string>

// Reads "2024-03-01", "2024-03-01T12:30", "2024-03-01 12:30:00.5", each
// optionally followed by "Z", "+02:00", "-0500" or "+02". False (and
// nothing stored) for anything else, an impossible date (2023-02-29) included.
// *hasTime: a time of day was given.
bool parseIsoDateTime(const char* begin, const char* end, double* secondsUtc, bool* hasTime);

// "2024-03-01", or with the time "2024-03-01 12:30:00" (UTC).
std::string formatIsoDateTime(double secondsUtc, bool withTime);
