#include "hex_editor_window.h"
#include "core/file_errors.h"
#include "core/job.h"
#include "hexeditor/hex_editor_view.h"
#include "platform/platform.h"
#include "ui/dialogs.h"
#include "ui/errors.h"
#include "ui/job_progress.h"
#include "ui/modal_runner.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace hexedit {

namespace {
QToolButton* tool(QWidget* parent, const QString& hint, QStyle::StandardPixmap icon) {
    auto* b = new QToolButton(parent);
    b->setToolTip(hint);
    b->setIcon(parent->style()->standardIcon(icon));
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}
} // namespace

HexEditorWindow::HexEditorWindow(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Editeur Hexadécimal"));
    auto* layout = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    saveButton = tool(this, QStringLiteral("Enregistrer"), QStyle::SP_DialogSaveButton);
    findButton = tool(this, QStringLiteral("Chercher"), QStyle::SP_FileDialogContentsView);
    gotoButton = tool(this, QStringLiteral("Atteindre"), QStyle::SP_ArrowRight);
    undoButton = tool(this, QStringLiteral("Annuler"), QStyle::SP_ArrowBack);
    closeButton = new QPushButton(QStringLiteral("Fermer"), this);
    closeButton->setAutoDefault(false);
    for (QWidget* w : {static_cast<QWidget*>(saveButton), static_cast<QWidget*>(findButton),
                       static_cast<QWidget*>(gotoButton), static_cast<QWidget*>(undoButton)})
        bar->addWidget(w);
    bar->addStretch();
    bar->addWidget(closeButton);
    layout->addLayout(bar);
    editor = new HexEditorView(this);
    QFont f = editor->font();
    f.setPixelSize(17);
    editor->setFont(f);
    editor->document().createBackup = false;
    editor->cursor().setBytesPerLine(16);
    layout->addWidget(editor, 1);
    resize(760, 520);
    connect(saveButton, &QToolButton::clicked, this,
            [this] { ui::runCommand([this] { save(); }); });
    connect(findButton, &QToolButton::clicked, this,
            [this] { ui::runCommand([this] { find(); }); });
    connect(gotoButton, &QToolButton::clicked, this,
            [this] { ui::runCommand([this] { goTo(); }); });
    connect(undoButton, &QToolButton::clicked, this, [this] { undoStep(); });
    // Ctrl+Z does what the "Annuler" button does.
    auto* undoKey = new QShortcut(QKeySequence::Undo, this);
    connect(undoKey, &QShortcut::activated, this, [this] { undoStep(); });
    connect(closeButton, &QPushButton::clicked, this, &HexEditorWindow::reject);
}

bool HexEditorWindow::openFile() {
    platform::DirEntry entry;
    if (const platform::Status looked = platform::Platform::instance().entryOf(m_fileName, entry);
        !looked || !entry.regular) {
        ui::dialogs().message(looked.error() == platform::errNoAnswer
                                  ? core::noAnswerText() + QStringLiteral(" : ") + m_fileName
                                  : QStringLiteral("Ce fichier n'existe pas"));
        return false;
    }
    // Copied as a job: a large file shows its progress, and Escape or
    // "Annuler" stops the copy and closes the window.
    HexDocument& d = editor->document();
    bool copied = false;
    core::FunctionJob job([&](core::Job& j) { copied = d.copyIn(m_fileName, j); });
    ui::runWithProgress(job, this, QStringLiteral("Ouvrir"));
    if (job.cancelled()) return false;
    if (copied) d.adoptCopy(m_fileName);
    return true;
}

void HexEditorWindow::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (m_opened) return;
    m_opened = true;
    if (!openFile()) QTimer::singleShot(0, this, [this] { done(QDialog::Rejected); });
    editor->setFocus();
}

bool HexEditorWindow::search(qint64 from) {
    HexDocument& d = editor->document();
    QByteArray pattern = m_pattern.pattern;
    const bool text = m_pattern.kind == HexFindDialog::Result::Text;
    const HexDocument::Search prepared = d.prepareFind(pattern, from, d.dataSize() - 1, text, text);
    if (text) m_pattern.pattern = pattern; // lower-cased by the search
    // Scanned as a job: a long search shows its progress and Escape or
    // "Annuler" stops it, the caret where it was.
    qint64 found = -1;
    core::FunctionJob job([&](core::Job& j) { found = HexDocument::scan(prepared, j); });
    ui::runWithProgress(job, this, QStringLiteral("Rechercher"));
    if (job.cancelled()) return false;
    if (found < 0) {
        ui::dialogs().message(QStringLiteral("Chaîne ") + fromAnsi(m_pattern.pattern) +
                              QStringLiteral(" non trouvée"));
        return false;
    }
    HexCursor& cursor = editor->cursor();
    cursor.setSelStart(found + pattern.size() - 1);
    cursor.setSelEnd(found);
    editor->showCaret();
    m_lastMatch = found;
    return true;
}

void HexEditorWindow::find() {
    HexFindDialog dialog(this);
    ui::runModal(&dialog);
    const HexFindDialog::Result r = dialog.result();
    if (r.kind == HexFindDialog::Result::Nothing) return;
    m_pattern = r;
    m_lastMatch = 0;
    search(0);
}

void HexEditorWindow::findNext() {
    if (m_pattern.kind == HexFindDialog::Result::Nothing) return;
    search(m_lastMatch + m_pattern.pattern.size());
}

void HexEditorWindow::goTo() {
    HexCursor& d = editor->cursor();
    if (d.dataSize() == 0) return;
    QString value = QString::number(d.caretOffset(), 16).toUpper();
    if (!ui::dialogs().inputBox(QStringLiteral("Atteintre la position..."),
                                QStringLiteral("Position en hexadécimal"), value))
        return;
    bool ok = false;
    qint64 target = value.trimmed().toLongLong(&ok, 16);
    if (!ok) target = 1;
    if (!d.seek(target, 0, true)) ui::dialogs().message(QStringLiteral("Position invalide"));
    editor->showCaret();
}

bool HexEditorWindow::save() {
    const QString chosen =
        ui::dialogs().saveFileName(QStringLiteral("Enregistrer"), m_fileName, QString());
    if (chosen.isEmpty()) return true;
    m_fileName = chosen;
    // Written as a job: a large file shows its progress, and Escape or
    // "Annuler" stops it with the file as it was and the changes kept here.
    HexDocument& d = editor->document();
    d.flushWork();
    bool written = false;
    core::FunctionJob job([&](core::Job& j) { written = d.writeTo(chosen, j); });
    ui::runWithProgress(job, this, QStringLiteral("Enregistrer"));
    if (written) {
        d.savedAs(chosen);
        return true;
    }
    if (job.cancelled()) return false;
    // Told, so that nobody leaves believing the changes are on the disk.
    ui::dialogs().error(QStringLiteral("Ne peut pas enregistrer %1 : les modifications ne sont "
                                       "que dans l'éditeur")
                            .arg(chosen));
    return false;
}

void HexEditorWindow::undoStep() {
    if (editor->document().canUndo()) editor->cursor().undo();
}

bool HexEditorWindow::confirmClose() {
    if (!editor->document().modified) return true;
    const ui::Button b = ui::dialogs().confirm(QStringLiteral("Enregistrer les modifications ?"),
                                               ui::Yes | ui::No | ui::Cancel);
    if (b == ui::Cancel) return false;
    // A save that failed keeps the window, and the changes, open.
    bool saved = true;
    if (b == ui::Yes && !ui::runCommand([&] { saved = save(); })) saved = false;
    return saved;
}

void HexEditorWindow::reject() {
    if (confirmClose()) QDialog::reject();
}

void HexEditorWindow::closeEvent(QCloseEvent* e) {
    if (confirmClose())
        e->accept();
    else
        e->ignore();
}

void HexEditorWindow::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_F3) return (void)ui::runCommand([this] { findNext(); });
    if (e->key() == Qt::Key_F6) return (void)ui::runCommand([this] { find(); });
    QDialog::keyPressEvent(e);
}

} // namespace hexedit
