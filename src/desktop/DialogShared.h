#pragma once
// What the main dialog's source files share: the wait cursor for the
// length of a load, and a chosen path's bytes as the file system takes them.

#include <QApplication>
#include <QFile>
#include <QString>

#include <string>

namespace artisanscope {

// The wait cursor for the length of a load.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

// Over the tree while a find matches nothing.
inline constexpr const char* kNoRecipesMatchText = "No recipes match";

inline std::string FileNameBytes(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace artisanscope
