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
    Text = new QPlainTextEdit(this);
    Text->setReadOnly(true);
    Text->setLineWrapMode(QPlainTextEdit::NoWrap);
    Text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text->setTabStopDistance(QFontMetricsF(Text->font()).horizontalAdvance(u'x') * 40);
    layout->addWidget(Text, 1);
    resize(600, 420);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

void TextListWindow::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    Text->setPlainText(m_lines().join(u'\n'));
    Text->moveCursor(QTextCursor::Start);
    ui::centreOnScreen(this);
}

} // namespace sysinfo
