#include "hex_find_dialog.h"

#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QVBoxLayout>

namespace hexedit {

QByteArray toAnsi(const QString& text) {
    QStringEncoder enc("windows-1252");
    return enc.isValid() ? QByteArray(enc.encode(text)) : text.toLatin1();
}

QString fromAnsi(const QByteArray& bytes) {
    QStringDecoder dec("windows-1252");
    return dec.isValid() ? QString(dec.decode(bytes)) : QString::fromLatin1(bytes);
}

HexFindDialog::HexFindDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Rechercher"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_text = new QLineEdit(this);
    m_hex = new QLineEdit(this);
    form->addRow(QStringLiteral("Texte"), m_text);
    form->addRow(QStringLiteral("ou Hexa"), m_hex);
    layout->addLayout(form);
    auto* buttons = new QHBoxLayout;
    auto* cancel = new QPushButton(QStringLiteral("Annuler"), this);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    cancel->setAutoDefault(false);
    ok->setAutoDefault(false);
    buttons->addStretch();
    buttons->addWidget(cancel);
    buttons->addWidget(ok);
    layout->addLayout(buttons);
    auto confirm = [this] {
        m_ok = true;
        accept();
    };
    connect(ok, &QPushButton::clicked, this, confirm);
    connect(m_text, &QLineEdit::returnPressed, this, confirm);
    connect(m_hex, &QLineEdit::returnPressed, this, confirm);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_text, &QLineEdit::textEdited, m_hex, &QLineEdit::clear);
    connect(m_hex, &QLineEdit::textEdited, m_text, &QLineEdit::clear);
    if (QScreen* s = QGuiApplication::primaryScreen())
        move(s->geometry().center() - rect().center());
}

HexFindDialog::Result HexFindDialog::parseHex(const QString& digits) {
    QString clean;
    for (QChar c : digits.toUpper())
        if (QStringLiteral("ABCDEF0123456789").contains(c)) clean += c;
    Result r;
    if (clean.isEmpty()) return r;
    r.kind = Result::Bytes;
    for (int i = 0; i < clean.size(); i += 2)
        r.pattern.append(char(clean.mid(i, 2).toInt(nullptr, 16)));
    return r;
}

HexFindDialog::Result HexFindDialog::result() const {
    if (!m_ok) return {};
    if (!m_text->text().isEmpty()) return {Result::Text, toAnsi(m_text->text())};
    return parseHex(m_hex->text());
}

} // namespace hexedit
