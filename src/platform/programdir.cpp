#include "programdir.h"

#include <QCoreApplication>

QString withSeparator(const QString &directory)
{
    return directory + QLatin1Char('/');
}

QString programDirectoryWithSeparator()
{
    return withSeparator(QCoreApplication::applicationDirPath());
}
