// Reaches a window's controls the way a test does: by their object names.
#pragma once

#include <QObject>
#include <QString>
#include <stdexcept>
#include <string>

namespace kelvane {

// The child of parent named name, of type T (QLineEdit, QAction ...). Throws when there is
// none, so the test fails with the name instead of crashing.
template <typename T>
T* Child(const QObject& parent, const char* name) {
  T* found = parent.findChild<T*>(QString::fromUtf8(name));
  if (!found)
    throw std::runtime_error(std::string("no ") + T::staticMetaObject.className() + " named " +
                             name + " in " + parent.objectName().toStdString());
  return found;
}

}  // namespace kelvane
