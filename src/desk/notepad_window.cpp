#include "notepad_window.h"
#include "ui/errors.h"

#include <QFile>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QSaveFile>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextLayout>
#include <QToolButton>
#include <QVBoxLayout>

namespace desk {

namespace {

// Notes from older versions are single-byte Windows text; ours are UTF-8.
QString decodeNotes(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) return text;
    QStringDecoder cp1252("windows-1252");
    return cp1252.isValid() ? QString(cp1252.decode(bytes)) : QString::fromLatin1(bytes);
}

// A small printer, for desktops without an icon theme.
QIcon printerPicture() {
    QPixmap pm(20, 20);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QColor(60, 60, 60));
    p.setBrush(Qt::white);
    p.drawRect(5, 2, 10, 6); // paper in
    p.setBrush(QColor(170, 170, 170));
    p.drawRect(2, 8, 16, 7); // body
    p.setBrush(Qt::white);
    p.drawRect(5, 12, 10, 6); // paper out
    return QIcon(pm);
}

} // namespace

NotepadWindow::NotepadWindow(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Bloc-notes"));
    resize(520, 400);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_top = new QWidget(this);
    m_top->setFixedHeight(33);
    m_print = new QToolButton(m_top);
    m_print->setAutoRaise(true);
    m_print->setIcon(QIcon::fromTheme(QStringLiteral("document-print"), printerPicture()));
    m_print->setToolTip(QStringLiteral("Imprimer"));
    m_print->setGeometry(4, 4, 25, 25);
    m_close = new QPushButton(QStringLiteral("Fermer"), m_top);
    m_close->setAutoDefault(false);
    m_edit = new QPlainTextEdit(this);
    m_edit->setAccessibleName(QStringLiteral("Texte du bloc-notes"));
    m_edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    layout->addWidget(m_top);
    layout->addWidget(m_edit, 1);
    connect(m_print, &QToolButton::clicked, this, [this] { ui::runCommand([this] { print(); }); });
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
}

bool NotepadWindow::modified() const {
    return m_edit->document()->isModified();
}

void NotepadWindow::load(const QString& name) {
    QFile f(name);
    if (!f.exists()) return;
    if (!f.open(QIODevice::ReadOnly))
        throw ui::TavError(QStringLiteral("Ne peut ouvrir le fichier %1").arg(name));
    QString text = decodeNotes(f.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    m_edit->setPlainText(text);
    m_edit->document()->setModified(false);
}

void NotepadWindow::save(const QString& name) {
    if (!modified()) return;
    QString text = m_edit->toPlainText();
    text.replace(u'\n', QStringLiteral("\r\n"));
    // Written aside and put in place whole: a failed save keeps the old notes.
    QSaveFile f(name);
    if (!f.open(QIODevice::WriteOnly) || f.write(text.toUtf8()) < 0 || !f.commit())
        throw ui::TavError(QStringLiteral("Ne peut créer le fichier %1").arg(name));
    m_edit->document()->setModified(false);
}

QStringList NotepadWindow::displayedLines() const {
    QStringList lines;
    for (QTextBlock b = m_edit->document()->begin(); b.isValid(); b = b.next()) {
        const QTextLayout* layout = b.layout();
        if (!layout || layout->lineCount() == 0) {
            lines.append(b.text());
            continue;
        }
        for (int i = 0; i < layout->lineCount(); ++i) {
            QTextLine line = layout->lineAt(i);
            lines.append(b.text().mid(line.textStart(), line.textLength()));
        }
    }
    return lines;
}

void NotepadWindow::print() {
    QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        throw ui::TavError(QStringLiteral("Aucune imprimante par défaut n'est installée"));
    QPrinter printer(info);
    QPainter painter;
    if (!painter.begin(&printer))
        throw ui::TavError(QStringLiteral("L'imprimante n'est pas disponible"));
    painter.setFont(m_edit->font());
    const int lineHeight = painter.fontMetrics().lineSpacing();
    const QRect page = painter.viewport();
    int y = lineHeight;
    for (const QString& line : displayedLines()) {
        if (y > page.height()) {
            printer.newPage();
            y = lineHeight;
        }
        painter.drawText(0, y, line);
        y += lineHeight;
    }
    painter.end();
}

void NotepadWindow::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    m_close->setGeometry(width() - 125, 4, 100, 25);
}

void NotepadWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    m_edit->setFocus();
}

} // namespace desk
