#pragma once

#include <QString>

class QComboBox;
class QLineEdit;

namespace vx {

// Keeps a one-line field on one line: what the user types or pastes loses its line breaks (CR, LF,
// U+2028, U+2029), which neither a connection string nor the settings file can keep, and the
// cursor stays after what was inserted; every other character comes in as typed, tabs and control
// characters included. A user's edit takes a line break the field held out too. Never refuses
// input.
void keepOnOneLine(QLineEdit* field);

// Sets a field's text past its filter, so that a stored value comes back as it was.
void setFieldText(QLineEdit* field, const QString& text);
// The same for the text of an editable combo box.
void setFieldText(QComboBox* field, const QString& text);

} // namespace vx
