// The main of a window test.
#pragma once

#include <QApplication>
#include <QtTest>

#define KEYSHELF_TEST_MAIN(TestClass)                                                                                  \
    int main(int argc, char** argv) {                                                                                  \
        QApplication app(argc, argv);                                                                                  \
        TestClass test;                                                                                                \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                     \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }
