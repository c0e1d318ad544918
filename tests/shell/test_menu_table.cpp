// The whole command table as the user sees it: menus in order with their
// captions, shortcuts, hints and separators, the list group and the
// toolbar. Compared with the table kept beside this test.
#include "desk/notepad_window.h"
#include "shell/main_window.h"
#include "support/fake_platform.h"
#include "support/temp_dir.h"
#include "ui/scripted_dialogs.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

void dumpMenu(QMenu* menu, const QString& indent, QStringList& out) {
    for (QAction* a : menu->actions()) {
        if (a->isSeparator()) {
            out << indent + "----";
            continue;
        }
        out << indent + a->text() + " | " + a->shortcut().toString() + " | " + a->statusTip() +
                   (a->isCheckable() ? (a->isChecked() ? " | (x)" : " | ( )") : "");
        if (a->menu()) dumpMenu(a->menu(), indent + "    ", out);
    }
}

} // namespace

TEST(MenuTable, MenusListGroupAndToolbarAsDescribed) {
    testing_support::TempDir start;
    platform::FakePlatform fake;
    fake.addDrive(u'C', {start.path()});
    platform::Platform::setInstance(&fake);
    ui::ScriptedDialogs dialogs;
    QStringList out;
    {
        shell::MainWindow form;
        for (QAction* top : form.menuBar()->actions()) {
            out << top->text() + " | " + top->statusTip();
            dumpMenu(top->menu(), "    ", out);
        }
        out << "[list group]";
        for (QAction* a : form.listGroup())
            out << "    " + (a ? a->text() : QStringLiteral("<Ouvrir button>"));
        out << "[toolbar]";
        for (QToolBar* bar : form.findChildren<QToolBar*>())
            for (QAction* a : bar->actions()) {
                auto* w = qobject_cast<QToolButton*>(bar->widgetForAction(a));
                out << (a->isSeparator() ? QStringLiteral("    ----")
                                         : "    " + (w ? w->toolTip() : a->text()));
            }
    }
    platform::Platform::setInstance(nullptr);
    QFile golden(QStringLiteral(TAVTOOLS_MENU_TABLE));
    ASSERT_TRUE(golden.open(QIODevice::ReadOnly));
    const QString expected = QString::fromUtf8(golden.readAll());
    EXPECT_EQ(out.join(u'\n') + u'\n', expected) << out.join(u'\n').toStdString();
}
