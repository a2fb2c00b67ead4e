// The main of a window test: the web engine is prepared before the application object exists, as the
// program's own main does, since the banner may be shown.
#pragma once

#include "Banner.h"

#include <QApplication>
#include <QtTest>

// The band loads the banner module of the build, not one beside the test program.
#ifdef KEYSHELF_BANNER_MODULE
#define KEYSHELF_TEST_BANNER_MODULE banner::testing::SetModulePath(QStringLiteral(KEYSHELF_BANNER_MODULE));
#else
#define KEYSHELF_TEST_BANNER_MODULE
#endif

#define KEYSHELF_TEST_MAIN(TestClass)                                                                              \
    int main(int argc, char** argv) {                                                                              \
        PrepareWebEngine();                                                                                        \
        KEYSHELF_TEST_BANNER_MODULE                                                                                \
        QApplication app(argc, argv);                                                                              \
        TestClass test;                                                                                            \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                 \
        return QTest::qExec(&test, argc, argv);                                                                    \
    }
