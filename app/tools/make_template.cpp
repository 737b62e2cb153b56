// Writes the empty shop database the program copies on its first start.
//     make_template <output path>
// The file is built beside the output and moved there only when complete.

#include "app/datamodule/TemplateDatabase.h"
#include "platform/toolkit/Exceptions.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_template <output path>\n");
        return 2;
    }
    const QString target = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    const QString partial = target + QStringLiteral(".partial");
    QFile::remove(partial);
    try {
        shopschema::CreateTemplateDatabase(partial);
    } catch (const Exception& e) {
        std::fprintf(stderr, "make_template: %s\n", e.Message().toLocal8Bit().constData());
        return 1;
    }
    QFile::remove(target);
    if (!QFile::rename(partial, target)) {
        std::fprintf(stderr, "make_template: cannot write %s\n", argv[1]);
        QFile::remove(partial);
        return 1;
    }
    return 0;
}
