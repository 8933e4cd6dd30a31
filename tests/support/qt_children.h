#pragma once
// Finding a window's controls by object name in Qt tests.

#include <QWidget>
#include <QtGlobal>

namespace tem::testsupport {

/// The child of that type and object name; a missing control ends the test program with its name.
template <class T> T* child(QWidget* parent, const char* name)
{
    T* w = parent->findChild<T*>(name);
    if (!w)
        qFatal("no control %s", name);
    return w;
}

} // namespace tem::testsupport
