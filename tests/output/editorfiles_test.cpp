#include "output/editorfiles.h"

#include "recordingdialogs.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace quodlin;

namespace {

const QString kProcTemplate = QStringLiteral("-- Name...... <sp_new>\n"
                                             "-- File...... <sp_new>.sql\n"
                                             "create procedure sp_new()\n"
                                             "end procedure;");

class EditorFilesTest : public ::testing::Test {
protected:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    static QByteArray bytes(const QString &file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    // The path both file dialogs return; empty: cancelled.
    void answer(const QString &file) { m_dialogs->openPath = m_dialogs->savePath = file; }
    const FileDialogRequest &asked() const { return m_dialogs->fileRequests.last(); }
    StatusSink sink()
    {
        return [this](const QString &t) { statuses << t; };
    }

    QTemporaryDir m_dir;
    ScopedDialogs m_dialogs;
    QStringList statuses;
};

} // namespace

TEST(EditorFileNames, ProposedNameRules)
{
    struct Case {
        const char *name;
        QString text;
        QString proposed;
    } cases[] = {
        {"template placeholder counts as none", kProcTemplate, "sp_new.sql"},
        {"typed procedure name", QString(kProcTemplate).replace("sp_new()", "p1()"), "p1.sql"},
        {"header proposal", "-- File...... orders.sql\ncreate view v1 as select 1 from t", "orders.sql"},
        {"text before the header mark still cut at 15", "xx-- File...... abc.sql", ". abc.sql"},
        {"first header line decides", "-- File......\n-- File...... b.sql\ncreate view v2 as select 1 from t",
         "v2.sql"},
        {"nothing found", "select * from t", ".sql"},
        {"owner dropped", "create view informix.v3 as select 1 from t", "v3.sql"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ProposedFileName(SqlTextBuffer(c.text)), c.proposed) << c.name;
    EXPECT_EQ(FileNameOnly("C:\\a\\old.sql"), "old.sql");
    EXPECT_EQ(FileNameOnly("/tmp/x/new.sql"), "new.sql");
    EXPECT_EQ(FileNameOnly("C:new.sql"), "new.sql");
}

TEST(EditorFileNames, SaveAsRenaming)
{
    const QString typed = QString(kProcTemplate).replace("sp_new()", "p1()");
    EXPECT_EQ(RenameForSaveAs(typed, "p1", "C:\\sql\\p1.sql", {}),
              "-- Name...... p1\n-- File...... p1.sql\ncreate procedure p1()\nend procedure;");
    EXPECT_EQ(RenameForSaveAs("-- File...... <new>.sql\ncreate view v as select 1", "v", "/d/v.sql", {}),
              "-- File...... /d/v.sql\ncreate view v as select 1");
    // The old name in any letter case becomes the new bare name.
    EXPECT_EQ(RenameForSaveAs("-- File...... C:\\A\\OLD.SQL\n-- see c:\\a\\old.sql", "v", "C:\\b\\new.sql",
                              "C:\\a\\old.sql"),
              "-- File...... new.sql\n-- see new.sql");
    // The case-sensitive test: "SP_NEW" alone is no placeholder.
    EXPECT_EQ(RenameForSaveAs("SP_NEW", "p", "/p.sql", {}), "SP_NEW");
}

TEST_F(EditorFilesTest, OpenReadsLinesAndKeepsTheName)
{
    QFile f(path("a.sql"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("select 1\r\nfrom t\r\n");
    f.close();
    SqlTextBuffer editor("-- File...... <sp_new>.sql");
    answer(path("a.sql"));
    EXPECT_EQ(RichEditFileOpen({}, editor, sink()), path("a.sql"));
    EXPECT_EQ(asked().title, "Open SQL Script");
    EXPECT_EQ(asked().fileName, "*.sql");
    EXPECT_EQ(editor.lines(), QStringList({"select 1", "from t"}));
    EXPECT_FALSE(editor.modified());
    EXPECT_EQ(statuses, QStringList({"Opening file...", "File opened successfully."}));

    // Latin-1 bytes that are not UTF-8 still open.
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("caf\xe9");
    f.close();
    EXPECT_EQ(RichEditFileOpen(path("a.sql"), editor, sink()), path("a.sql"));
    EXPECT_EQ(editor.text(), QString::fromUtf8("café"));

    // A missing file: reported, editor and name kept; a cancelled dialog says nothing.
    answer(path("missing.sql"));
    EXPECT_EQ(RichEditFileOpen("kept.sql", editor, sink()), "kept.sql");
    EXPECT_EQ(editor.text(), QString::fromUtf8("café"));
    ASSERT_EQ(m_dialogs->messages.size(), 1);
    EXPECT_TRUE(m_dialogs->messages[0].startsWith("Error: "));
    EXPECT_EQ(statuses.last(), "Error opening file.");
    answer({});
    statuses.clear();
    EXPECT_EQ(RichEditFileOpen("kept.sql", editor, sink()), "kept.sql");
    EXPECT_TRUE(statuses.isEmpty());
}

TEST_F(EditorFilesTest, SaveAsWritesCrLfRenamesAndSaveReusesTheName)
{
    SqlTextBuffer editor(QString(kProcTemplate).replace("sp_new()", "p1()"));
    editor.setCaret(5);
    answer(path("p1.sql"));
    const auto saved = RichEditFileSave({}, editor, false, sink());
    ASSERT_TRUE(saved);
    EXPECT_EQ(*saved, path("p1.sql"));
    EXPECT_EQ(asked().title, "Save SQL Script As");
    EXPECT_EQ(asked().fileName, "p1.sql");
    EXPECT_EQ(bytes(path("p1.sql")),
              "-- Name...... p1\r\n-- File...... p1.sql\r\ncreate procedure p1()\r\nend procedure;\r\n");
    EXPECT_EQ(editor.caret(), 5);
    EXPECT_FALSE(editor.modified());
    EXPECT_EQ(statuses.last(), "File saved successfully.");

    // Save with a remembered name: no dialog, no renaming.
    m_dialogs->fileRequests.clear();
    editor.setText("select sp_new from t");
    EXPECT_EQ(RichEditFileSave(path("p1.sql"), editor, false, sink()), path("p1.sql"));
    EXPECT_TRUE(m_dialogs->fileRequests.isEmpty());
    EXPECT_EQ(bytes(path("p1.sql")), "select sp_new from t\r\n");

    // Cancelled: nothing written, the caller hears of it.
    answer({});
    EXPECT_FALSE(RichEditFileSaveAs(path("p1.sql"), editor, false, sink()));
    EXPECT_EQ(asked().fileName, "p1.sql");
}

TEST_F(EditorFilesTest, ResultPaneKeepsTheDialogsLastNameAndTextWithoutObjectIsNotRenamed)
{
    SqlTextBuffer results("id name\n-- ----\n1  sp_new");
    answer(path("out.txt"));
    ASSERT_TRUE(RichEditFileSaveAs({}, results, true, sink()));
    EXPECT_EQ(asked().title, "Save Results As");
    EXPECT_EQ(bytes(path("out.txt")), "id name\r\n-- ----\r\n1  sp_new\r\n");
    ASSERT_TRUE(RichEditFileSaveAs({}, results, true, sink()));
    EXPECT_EQ(asked().fileName, "out.txt");
}

TEST_F(EditorFilesTest, FailedSaveReportsAndLeavesTheOldFile)
{
    SqlTextBuffer editor("select 2");
    QFile f(path("good.sql"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("select 1\r\n");
    f.close();
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("folder.sql"));
    for (const QString &target : {path("folder.sql"), path("no/such/dir.sql")}) {
        m_dialogs->messages.clear();
        answer(target);
        EXPECT_EQ(RichEditFileSaveAs(path("good.sql"), editor, false, sink()), path("good.sql")) << target.toStdString();
        EXPECT_EQ(m_dialogs->messages.size(), 1) << target.toStdString();
        EXPECT_EQ(statuses.last(), "Error saving to file.");
        EXPECT_TRUE(editor.modified());
    }
    EXPECT_TRUE(QFileInfo(path("folder.sql")).isDir());
    EXPECT_EQ(bytes(path("good.sql")), "select 1\r\n");
}
