// The records as files for other programs: CSV for a spreadsheet, JSON, and
// the OCP Test and Validation Output format (version 2.0, JSON lines) that
// line analytics built for that standard read.
//
// Every function takes the records in the order they are to be written and
// returns UTF-8 text. JSON is written by nlohmann/json; text that is not
// valid UTF-8 is replaced, never fatal.
//
// Thread safety: pure functions.
#pragma once

#include <string>
#include <vector>

#include "records/unit_record.h"

namespace zt {

// A header line, then one line per record (RFC 4180 quoting, CR LF line
// ends). Lists are joined with "; "; the identity lines lose their line
// ends; other control bytes show as \xNN.
std::string RecordsCsv(const std::vector<UnitRecord>& records);

// A JSON array of the records, each with its steps.
std::string RecordsJson(const std::vector<UnitRecord>& records);

// Per record: a schemaVersion line, testRunStart (DUT: IMEI, product
// number, software version), testStepStart / testStepEnd for each step with
// its diagnosis and, for a failed step, its failure text as an error; the
// signal as a measurement with the threshold as its validator; testRunEnd
// with status and result. sequenceNumber counts from 0 in each record.
std::string RecordsOcp(const std::vector<UnitRecord>& records);

}  // namespace zt
