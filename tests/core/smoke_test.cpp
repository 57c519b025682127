#include "config/app_paths.h"

#include <gtest/gtest.h>

TEST(AppPaths, ShippedFilesSitInTheApplicationFolder) {
    appPaths::setAppFolder(QStringLiteral("/opt/q"));
    EXPECT_EQ(appPaths::settingsPath(), QStringLiteral("/opt/q/settings.ini"));
    EXPECT_EQ(appPaths::savedFolder(), QStringLiteral("/opt/q/Saved"));
    appPaths::setAppFolder(QString());
}
