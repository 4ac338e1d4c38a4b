#pragma once

#include <QString>

namespace vx {

// Makes the files that the installer installs reachable as resources below `root`
// (`root` + "SETUPFILE/VXEXE", ...). The installer registers them at ":/" before it uses them.
bool registerSetupPayload(const QString& root = QStringLiteral("/"));

} // namespace vx
