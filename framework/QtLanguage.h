#pragma once

#include <QString>

namespace vx {

// Qt's own texts (standard dialog buttons, file dialogs, the standard parts of other dialogs)
// in the program's language. Loads Qt's translation of the language, named as the translators
// name it ("English", "Russian"), from Qt's translations folder and puts it in place of the one
// loaded before; windows shown then retranslate their standard parts. A language that Qt has no
// translation for there, English among them, leaves Qt's own English. GUI thread only.
void useQtLanguage(const QString& language);

} // namespace vx
