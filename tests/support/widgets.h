#pragma once

// Finding the window's widgets by their object names, as every widget test does.

#include <QWidget>

template<typename T = QWidget> T *find_widget(const QWidget &root, const char *name)
{
    return root.findChild<T *>(QString::fromLatin1(name));
}
