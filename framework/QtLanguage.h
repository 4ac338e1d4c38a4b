#pragma once

#include <QString>

namespace vx {

// Qt's own texts (standard dialog buttons, file dialogs, the standard parts of other dialogs) and
// the find dialog's in the program's language. Loads Qt's translation of the language, named as
// the translators name it ("English", "Russian"), from Qt's translations folder, with the find
// dialog's captions, in place of those loaded before; windows shown then retranslate their
// standard parts. A language without a translation, English among them, leaves the English texts.
// GUI thread only.
void useQtLanguage(const QString& language);

} // namespace vx
