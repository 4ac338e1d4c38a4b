#include "StepwiseTextFill.h"

#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTimer>

namespace vx {

StepwiseTextFill::StepwiseTextFill(QPlainTextEdit* editor) : QObject(editor), m_editor(editor) {}

void StepwiseTextFill::start(QString text, std::function<void()> done) {
    if (busy())
        restoreEditor();
    ++m_generation;
    m_text = std::move(text);
    m_next = 0;
    m_done = std::move(done);
    putNextPiece(pieceSize);
    if (!busy()) {
        end();
        return;
    }
    m_readOnlyBefore = m_editor->isReadOnly();
    m_editor->setReadOnly(true);
    m_editor->document()->setUndoRedoEnabled(false);
    scheduleNextPiece();
}

void StepwiseTextFill::finish() {
    if (!busy())
        return;
    putNextPiece(m_text.size());
    restoreEditor();
    end();
}

void StepwiseTextFill::scheduleNextPiece() {
    QTimer::singleShot(0, this, [this, generation = m_generation] {
        if (generation != m_generation || !busy())
            return;
        putNextPiece(pieceSize);
        if (busy()) {
            scheduleNextPiece();
        } else {
            restoreEditor();
            end();
        }
    });
}

void StepwiseTextFill::putNextPiece(qsizetype size) {
    qsizetype to = std::min(m_text.size(), m_next + size);
    if (to < m_text.size()) {
        const qsizetype lineEnd = m_text.indexOf(QLatin1Char('\n'), to);
        to = lineEnd < 0 ? m_text.size() : lineEnd + 1;
    }
    const QString piece = m_text.sliced(m_next, to - m_next);
    if (m_next == 0) {
        m_editor->setPlainText(piece);
    } else {
        QTextCursor end(m_editor->document());
        end.movePosition(QTextCursor::End);
        end.insertText(piece);
    }
    m_next = to;
}

void StepwiseTextFill::restoreEditor() {
    m_editor->document()->setUndoRedoEnabled(true);
    m_editor->setReadOnly(m_readOnlyBefore);
}

void StepwiseTextFill::end() {
    m_text.clear();
    m_next = 0;
    if (auto done = std::exchange(m_done, nullptr))
        done();
}

} // namespace vx
