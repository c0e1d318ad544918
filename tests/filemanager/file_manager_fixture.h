#pragma once
// A file manager on a fake drive C rooted at a temporary folder, with
// scripted dialogs.

#include "filemanager/file_manager_view.h"
#include "support/fake_platform.h"
#include "support/temp_dir.h"
#include "ui/scripted_dialogs.h"

#include <QDir>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>
#include <memory>

class FileManagerFixture : public ::testing::Test {
  protected:
    testing_support::TempDir dir;
    platform::FakePlatform fake;
    ui::ScriptedDialogs dialogs;
    std::unique_ptr<filemanager::FileManagerView> tool;

    void SetUp() override {
        fake.addDrive(u'C', {dir.path()});
        platform::Platform::setInstance(&fake);
    }
    void TearDown() override {
        tool.reset();
        platform::Platform::setInstance(nullptr);
    }
    // Creates and shows the window (its first showing lists the folder).
    filemanager::FileManagerView& open() {
        tool = std::make_unique<filemanager::FileManagerView>();
        tool->resize(900, 600);
        tool->show();
        return *tool;
    }
    QStringList names() const {
        QStringList out;
        for (int r = 0; r < tool->model()->rowCount(); ++r)
            out << tool->model()->row(r).name;
        return out;
    }
    QString cell(const QString& name, int column) const {
        int r = tool->rowOf(name);
        return r < 0 ? QStringLiteral("<none>") : tool->model()->text(r, column);
    }
    // The rows chosen now, in place of any selected before.
    void select(const QStringList& rows) {
        tool->detailsView()->clearSelection();
        for (const QString& n : rows)
            tool->selectRow(tool->rowOf(n));
    }
};
