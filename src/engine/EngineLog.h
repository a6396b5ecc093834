// The engine's log lines: record headers, field error lines (with the bad part marked and the
// value in hexadecimal), record summaries. Lines are built from the [Other] texts loaded with
// the options; every placeholder "<#n#>" is replaced at its first occurrence. The colour markup
// of the texts is the log writer's.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/DbfLayout.h"
#include "engine/EngineOptions.h"
#include "engine/FieldChecks.h"

namespace tarvex {

// Bytes 0, 9, 10, 11, 12 and 13 as "?", every other byte as itself.
std::string displayForm(std::string_view value);
// Every byte as two upper-case hexadecimal digits, without separators (HexStr).
std::string HexStr(std::string_view value);

// Record header: "7" with the record number, then "6" for a record stored as deleted, else a
// rule of 68 dashes.
std::string recordHeaderLine(const EngineOptions& opts, int64_t record, bool stored_deleted);
// Record whose first byte is neither " " nor "*": "7" + "27" with the byte's decimal code.
std::string firstByteErrorLine(const EngineOptions& opts, int64_t record, uint8_t first_byte);
// Summary: "51" with the number of codes, "52" with the highest code (when there is one),
// "55" with NrMaxAcEr when the record was rejected.
std::string recordSummaryLine(const EngineOptions& opts, int code_count, int max_code,
                              bool rejected);

// The error line of field i (ErrLine): head "40", the value part of "39" showing the value as
// read, and the detail template named by res.tmpl showing the new value, the code and (with
// IndRezInHex) the hexadecimal form, the marked part coloured in each; numeric lines get their
// "N-N4"/"N-N2" text and, with AfSuplMsg, the suffix of their classification.
std::string fieldErrorLine(const EngineOptions& opts, const Rec_Fld& fields, int i,
                           std::string_view value, std::string_view new_value,
                           const CheckResult& res);

}  // namespace tarvex
