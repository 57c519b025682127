#include "config/app_paths.h"
#include "support/qt_gtest_printers.h"
#include "support/temp_app_folder.h"
#include "support/unprivileged.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using appPaths::Places;

const QFile::Permissions kOpen = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                 QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther |
                                 QFile::ExeOther;
const QFile::Permissions kReadOnly =
    QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;

// An executable's folder, installed defaults and a per-user folder, all open
// to the unprivileged user that the read-only cases run as.
class AppPathsTest : public ::testing::Test {
protected:
    void SetUp() override {
        QFile::setPermissions(m_root.path(), kOpen);
        for (const char* sub : {"bin", "share/quillmark/Lists", "data"}) {
            QDir(m_root.path()).mkpath(QString::fromLatin1(sub));
        }
        writeFileBytes(defaults("settings.ini"), "[Engines]\r\nGoogle=shipped\r\n");
        writeFileBytes(defaults("Help.rtf"), "{\\rtf1 shipped}");
        writeFileBytes(defaults("Lists/sample.txt"), "http://www.example.com\r\n");
        for (const QString& folder : {path("bin"), path("data"), path("share"), path("share/quillmark"),
                                      path("share/quillmark/Lists")})
            QFile::setPermissions(folder, kOpen);
    }

    QString path(const QString& rel) const { return QDir(m_root.path()).filePath(rel); }
    QString defaults(const QString& rel) const { return path(QStringLiteral("share/quillmark/") + rel); }
    QString user(const QString& rel = {}) const { return path(QStringLiteral("data/Quillmark/") + rel); }
    Places places() const { return {path("bin"), defaults({}), user()}; }

    QTemporaryDir m_root;
};

TEST_F(AppPathsTest, PortableOnlyWithAWritableSettingsFileBesideTheProgram) {
    const struct {
        const char* what;
        bool settingsBeside;
        bool readOnlyBin;
        bool perUser;
    } cases[] = {
        {"nothing beside the program", false, false, true},
        {"settings.ini in a writable folder", true, false, false},
        {"settings.ini in a read-only folder", true, true, true},
    };
    for (const auto& c : cases) {
        SetUp();
        if (c.settingsBeside) writeFileBytes(path("bin/settings.ini"), "[Engines]\r\n");
        if (c.readOnlyBin) QFile::setPermissions(path("bin"), kReadOnly);
        const auto ok = runUnprivileged([&] {
            const appPaths::Decision d = appPaths::decide(places());
            return d.perUser == c.perUser && d.folder == (c.perUser ? user() : path("bin")) &&
                   QFileInfo(user("Saved")).isDir() == c.perUser;
        });
        ASSERT_TRUE(ok.has_value()) << c.what;
        EXPECT_TRUE(*ok) << c.what;
        QFile::setPermissions(path("bin"), kOpen);
        QFile::remove(path("bin/settings.ini"));
        QDir(user()).removeRecursively();
    }
}

TEST_F(AppPathsTest, TheFirstStartSeedsTheDefaultsAsTheUsersOwnFiles) {
    for (const QString& f : {defaults("settings.ini"), defaults("Lists/sample.txt")})
        QFile::setPermissions(f, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    const appPaths::Decision d = appPaths::decide(places());
    EXPECT_EQ(readFileBytes(user("settings.ini")), "[Engines]\r\nGoogle=shipped\r\n");
    EXPECT_EQ(readFileBytes(user("Lists/sample.txt")), "http://www.example.com\r\n");
    EXPECT_TRUE(QFileInfo(user("Lists")).isDir());
    EXPECT_TRUE(QFile::permissions(user("settings.ini")) & QFile::WriteOwner);
    // The help is read where it is installed, until the user puts one of his own.
    EXPECT_FALSE(QFile::exists(user("Help.rtf")));
    EXPECT_EQ(appPaths::helpPathIn(d), defaults("Help.rtf"));
    writeFileBytes(user("HELP.RTF"), "{\\rtf1 mine}");
    EXPECT_EQ(appPaths::helpPathIn(d), user("Help.rtf"));
}

TEST_F(AppPathsTest, NothingInThePerUserFolderIsOverwritten) {
    const struct {
        const char* what;
        QByteArray settings;  // empty: none
        QByteArray sample;
        QByteArray settingsAfter;
        QByteArray sampleAfter;  // empty: none
    } cases[] = {
        // A folder in use keeps what the user did to it, deleted files included.
        {"edited settings, deleted sample", "[Engines]\r\nGoogle=mine\r\n", "", "[Engines]\r\nGoogle=mine\r\n", ""},
        // Without settings.ini it is seeded again, around what is there.
        {"no settings, edited sample", "", "mine\r\n", "[Engines]\r\nGoogle=shipped\r\n", "mine\r\n"},
    };
    for (const auto& c : cases) {
        QDir(user()).removeRecursively();
        QDir().mkpath(user("Lists"));
        if (!c.settings.isEmpty()) writeFileBytes(user("settings.ini"), c.settings);
        if (!c.sample.isEmpty()) writeFileBytes(user("Lists/sample.txt"), c.sample);
        appPaths::decide(places());
        appPaths::decide(places());
        EXPECT_EQ(readFileBytes(user("settings.ini")), c.settingsAfter) << c.what;
        EXPECT_EQ(readFileBytes(user("Lists/sample.txt")), c.sampleAfter) << c.what;
    }
}

TEST(AppPaths, ShippedFilesSitInTheChosenFolder) {
    appPaths::setAppFolder(QStringLiteral("/opt/q"));
    EXPECT_EQ(appPaths::settingsPath(), QStringLiteral("/opt/q/settings.ini"));
    EXPECT_EQ(appPaths::savedFolder(), QStringLiteral("/opt/q/Saved"));
    EXPECT_EQ(appPaths::helpPath(), QStringLiteral("/opt/q/Help.rtf"));
    appPaths::setAppFolder(QString());
}

}  // namespace
