#include "uZybLoadRes.h"

void TZybResProc::AddResString(const TResStringRec* rec, const QString& name) {
    m_records.append(rec);
    m_names.append(name);
}

QString TZybResProc::LoadResString(const TResStringRec* rec) {
    if (!rec)
        return {};
    QString text = QString::fromUtf8(rec->Text);
    TZybLoadStringHandler* handler = m_handler;
    const qsizetype index = m_records.indexOf(rec);
    if (handler && index >= 0)
        handler->m_onLoadString(this, m_names[index], text);
    return text;
}

TZybResProc& ZybResProc() {
    static TZybResProc instance;
    return instance;
}

TZybLoadStringHandler::TZybLoadStringHandler(TZybLoadStringEvent onLoadString)
    : m_onLoadString(std::move(onLoadString)) {
    ZybResProc().m_handler = this;
}

TZybLoadStringHandler::~TZybLoadStringHandler() {
    // A later handler stays in place when an earlier one goes.
    TZybLoadStringHandler* self = this;
    ZybResProc().m_handler.compare_exchange_strong(self, nullptr);
}
