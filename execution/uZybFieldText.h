#pragma once

#include "DataAccess.h"

#include <QString>
#include <functional>

// Result sets as text lines: a header with the column names, a line of dashes, one line per row,
// either in fixed-width columns padded with blanks or separated by tabs.

// The natural display width of a column from its type; the defined size for types without one.
int GetFieldDisplayWidth(const vx::FieldInfo& field);

// The text of one value: empty for Null; date and time types as "yyyy-mm-dd hh:nn:ss:zzz"; bit as
// 1 or 0; binary as 0x and upper-case hex digits; a GUID in braces; numbers locale-free with a
// point.
QString GetFieldText(const vx::FieldInfo& field, const vx::FieldValue& value);

// The width of a column: its natural width, at least its name's length and 10, at most
// maxFieldLength.
int GetColumnWidth(const vx::FieldInfo& field, int maxFieldLength);

// Hands out the lines of a record set that has columns, reading its rows from the current one to
// the end one at a time. Text and binary values are cut to the column width; numbers, dates and
// times and GUIDs are shown whole even where they are wider.
void RenderRecordSet(vx::RecordSet& records, bool tabDelimiter, int maxFieldLength,
                     const std::function<void(const QString& line)>& output);
