#pragma once

#include <QString>

// The application folder holds settings.ini, Help.rtf, Saved/ and Lists/.
// It is the executable's folder unless a test or the demo points it elsewhere.
namespace appPaths {

QString appFolder();
void setAppFolder(const QString& folder);  // empty: back to the executable's folder

QString settingsPath();    // <app>/settings.ini
QString savedFolder();     // <app>/Saved
QString listsFolder();     // <app>/Lists
QString helpPath();        // <app>/Help.rtf

}  // namespace appPaths
