#include "Prompter.h"

#include "QtPrompter.h"

#include <QCoreApplication>
#include <atomic>

namespace vx {

namespace {
std::atomic<Prompter*> installed{nullptr};
QString title;
} // namespace

Prompter& prompter() {
    if (Prompter* p = installed.load())
        return *p;
    static QtPrompter qtPrompter;
    return qtPrompter;
}

void setPrompter(Prompter* p) {
    installed.store(p);
}

QString applicationTitle() {
    return title.isEmpty() ? QCoreApplication::applicationName() : title;
}

void setApplicationTitle(const QString& t) {
    title = t;
}

} // namespace vx
