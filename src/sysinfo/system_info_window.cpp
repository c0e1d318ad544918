#include "system_info_window.h"
#include "system_facts.h"
#include "ui/window_parts.h"

#include <QDir>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace sysinfo {

SystemInfoWindow::SystemInfoWindow(QWidget* parent, QString root)
    : QDialog(parent), m_root(std::move(root)) {
    setWindowTitle(QStringLiteral("Infos Système"));
    auto* layout = new QVBoxLayout(this);
    QPushButton* close = nullptr;
    layout->addWidget(ui::closeBar(this, close));
    auto* grid = new QGridLayout;
    const QStringList rows[] = {{"Bios date", "Bios nom", "Bios version"},
                                {"Nom de la machine", "Organisme"},
                                {"", "Version", "Ecran"},
                                {"Cd Audio", "WorkGroup"}};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < rows[r].size(); ++c) {
            const QString& caption = rows[r][c];
            if (!caption.isEmpty() && caption != u"Ecran")
                grid->addWidget(new QLabel(caption, this), r, c * 2);
            auto* v = new QLabel(this);
            v->setTextInteractionFlags(Qt::TextSelectableByMouse);
            grid->addWidget(v, r, c * 2 + 1);
            m_values[caption.isEmpty() ? QStringLiteral("Version système") : caption] = v;
        }
    layout->addLayout(grid);
    environmentText = new QPlainTextEdit(this);
    environmentText->setReadOnly(true);
    environmentText->setLineWrapMode(QPlainTextEdit::NoWrap);
    environmentText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    layout->addWidget(environmentText, 1);
    resize(620, 420);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

void SystemInfoWindow::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    fill();
    ui::centreOnScreen(this);
}

void SystemInfoWindow::fill() {
    const SystemFacts info(m_root);
    m_values[QStringLiteral("Bios date")]->setText(info.biosDate);
    m_values[QStringLiteral("Bios nom")]->setText(info.biosName);
    m_values[QStringLiteral("Bios version")]->setText(info.biosVersion);
    m_values[QStringLiteral("Nom de la machine")]->setText(info.computerName);
    m_values[QStringLiteral("Organisme")]->setText(info.registeredOrganization);
    m_values[QStringLiteral("Version système")]->setText(info.version);
    m_values[QStringLiteral("Version")]->setText(info.versionNumber);
    QSize screen;
    if (QScreen* s = QGuiApplication::primaryScreen())
        screen = s->geometry().size() * s->devicePixelRatio();
    m_values[QStringLiteral("Ecran")]->setText(
        QStringLiteral("Ecran %1 x %2").arg(screen.width()).arg(screen.height()));
    const bool audio = audioCdPresent(opticalDrives(m_root));
    m_values[QStringLiteral("Cd Audio")]->setText(audio ? QStringLiteral("Oui")
                                                        : QStringLiteral("Non"));
    m_values[QStringLiteral("WorkGroup")]->setText(info.workgroup);
    environmentText->setPlainText(environmentLines().join(u'\n'));
}

QString SystemInfoWindow::value(const QString& caption) const {
    const QLabel* l = m_values.value(caption);
    return l ? l->text() : QString();
}

} // namespace sysinfo
