#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QPlainTextEdit;

namespace vx {

// Puts a long text into a plain-text editor a piece at a time, one piece per turn of the event
// loop: the editor needs seconds for a script of tens of megabytes, and the window keeps answering
// meanwhile. A short text goes in at once. While pieces are still missing the editor is read-only
// and keeps no undo steps; finish() puts the rest in at once, so that whoever reads or saves the
// text first gets all of it. A new start() drops what an earlier one had not put in yet.
class StepwiseTextFill : public QObject {
    Q_OBJECT
public:
    explicit StepwiseTextFill(QPlainTextEdit* editor);

    // Replaces the editor's text; `done` runs once the whole text is in (not for a dropped fill).
    void start(QString text, std::function<void()> done);
    // Puts the rest in now and runs `done`.
    void finish();
    bool busy() const { return m_next < m_text.size(); }

    // Characters put in per piece; pieces end at a line end.
    qsizetype pieceSize = 256 * 1024;

private:
    void scheduleNextPiece();
    void putNextPiece(qsizetype size);
    void restoreEditor();
    void end();

    QPlainTextEdit* m_editor; // owns the fill
    QString m_text;
    qsizetype m_next = 0;
    std::function<void()> m_done;
    bool m_readOnlyBefore = false;
    quint64 m_generation = 0; // of the current start(), so that a stale step does nothing
};

} // namespace vx
