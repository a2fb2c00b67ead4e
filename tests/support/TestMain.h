// The main of a window test: the web engine is prepared before the application object exists, as the
// program's own main does, since the banner may be shown.
#pragma once

#include "BannerView.h"

#include <QApplication>
#include <QtTest>

#define KEYSHELF_TEST_MAIN(TestClass)                                                                              \
    int main(int argc, char** argv) {                                                                              \
        PrepareWebEngine();                                                                                        \
        QApplication app(argc, argv);                                                                              \
        TestClass test;                                                                                            \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                 \
        return QTest::qExec(&test, argc, argv);                                                                    \
    }
