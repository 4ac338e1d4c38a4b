#include "Collection.h"

#include "Errors.h"
#include "Format.h"

namespace vx {

QObject* Collection::at(int index) {
    if (index < 0 || index >= count())
        throw Error(format(QStringLiteral("List index out of bounds (%d)"), {qint64(index)}));
    return item(index);
}

} // namespace vx
