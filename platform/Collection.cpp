#include "Collection.h"

#include "Errors.h"

namespace vx {

QObject* Collection::at(int index) {
    if (index < 0 || index >= count())
        raiseListIndexError(index);
    return item(index);
}

} // namespace vx
