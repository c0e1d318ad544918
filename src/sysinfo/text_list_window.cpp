#include "text_list_window.h"
#include "ui/window_parts.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace sysinfo {

TextListWindow::TextListWindow(const QString& title, std::function<QStringList()> lines,
                               QWidget* parent)
    : QDialog(parent), m_lines(std::move(lines)) {
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    QPushButton* close = nullptr;
    layout->addWidget(ui::closeBar(this, close));
    text = new QPlainTextEdit(this);
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text->setTabStopDistance(QFontMetricsF(text->font()).horizontalAdvance(u'x') * 40);
    layout->addWidget(text, 1);
    resize(600, 420);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

void TextListWindow::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    text->setPlainText(m_lines().join(u'\n'));
    text->moveCursor(QTextCursor::Start);
    ui::centreOnScreen(this);
}

} // namespace sysinfo
