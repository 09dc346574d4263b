// zereltool-cli records: the station's production records (or, with
// --records-url, the line's).
//
//   records list   [filters]      one line per unit, newest first
//   records show   UUID           one record with its steps
//   records export --csv FILE | --json FILE | --ocp FILE [filters]   ("-": standard output)
//   records stats  [filters]      units, passed, failed, yield, top failures, units per hour
//
// filters: --since T --until T (UTC ISO 8601, or a prefix of one such as
// 2026-12-07), --imei I, --product P, --result passed|failed|stopped,
// --station S. The store: --records-file FILE, else RECORDS_FILE of the
// settings file (--settings), else records.sqlite3 where `paths` says.
//
// What the records hold came partly from units: control bytes show as \xNN.
#pragma once

namespace zt::cli {

// Whether the command line is the records command (its first word, or the
// first after the tool's --settings FILE).
bool IsRecordsCommand(int argc, char** argv);

// Runs it; the exit status (1 for a record that is not there, 2 for a bad
// command line or a store that cannot be read).
int RunRecordsCommand(int argc, char** argv);

}  // namespace zt::cli
