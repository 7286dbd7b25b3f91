// The file dialog of the file-dialog service, with the toolkit's texts in the tool's language:
// the kinds of files in Portuguese, and columns that show their texts whole.

#include "platform/ui/ToolkitTexts.h"
#include "platform/ui/UiServices.h"
#include "support/EventWait.h"

#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <gtest/gtest.h>

#include <fstream>
#include <map>

namespace {

// The kind of each file the dialog's list shows, by name; false in whole when a text of a column
// other than the name's is wider than its column.
void ReadList(QFileDialog& dialog, std::map<QString, QString>& kinds, bool& whole) {
    auto* list = dialog.findChild<QTreeView*>("treeView");
    ASSERT_NE(list, nullptr);
    const QAbstractItemModel& model = *list->model();
    ASSERT_EVENTUALLY(model.rowCount(list->rootIndex()) == 3);
    QApplication::processEvents(); // the columns follow the rows
    for (int row = 0; row < 3; ++row) {
        const QModelIndex name = model.index(row, 0, list->rootIndex());
        kinds[name.data().toString()] = name.siblingAtColumn(2).data().toString();
        for (int column = 1; column < model.columnCount(); ++column)
            for (const QString& text : {name.siblingAtColumn(column).data().toString(),
                                        model.headerData(column, Qt::Horizontal).toString()})
                whole = whole &&
                        list->fontMetrics().horizontalAdvance(text) < list->header()->sectionSize(column);
    }
}

TEST(FileDialog, NamesTheKindsOfFilesInPortugueseInColumnsThatShowThemWhole) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // The dialog keeps its history in the user's settings: here, in the test's folder.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath("settings"));
    ASSERT_TRUE(QDir(dir.path()).mkpath("files/Clientes"));
    std::ofstream(dir.filePath("files/cliente.npx").toStdString()) << std::string(6750, '\0');
    std::ofstream(dir.filePath("files/notas.txt").toStdString()) << "notas";
    const TToolkitTexts texts;

    std::map<QString, QString> kinds;
    bool whole = true;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        ReadList(*dialog, kinds, whole);
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    EXPECT_EQ(FileDialogService().OpenFileName(nullptr, "Abrir", dir.filePath("files").toStdString(), "*"),
              "");
    EXPECT_EQ(kinds, (std::map<QString, QString>{{"Clientes", "Pasta"},
                                                 {"cliente.npx", "Desconhecido"},
                                                 {"notas.txt", "Documento de Texto"}}));
    EXPECT_TRUE(whole);
}

} // namespace
