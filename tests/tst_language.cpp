#include "language.h"

#include <QTest>

class TestLanguage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void chosenFromTheLocale_data()
    {
        QTest::addColumn<QString>("variables"); // NAME=value, space-separated
        QTest::addColumn<bool>("english");

        QTest::newRow("no locale at all") << "" << false;
        QTest::newRow("C") << "LANG=C" << false;
        QTest::newRow("POSIX over a German LANG") << "LC_ALL=POSIX LANG=de_DE.UTF-8" << false;
        QTest::newRow("zh_CN") << "LANG=zh_CN.UTF-8" << false;
        QTest::newRow("zh_TW, GB18030 zh_CN: Chinese all the same")
            << "LANG=zh_TW.UTF-8 LANGUAGE=zh_CN.GB18030" << false;
        QTest::newRow("en_US") << "LANG=en_US.UTF-8" << true;
        QTest::newRow("de_DE") << "LANG=de_DE.UTF-8" << true;
        QTest::newRow("a modifier: sr_RS@latin") << "LANG=sr_RS@latin" << true;
        QTest::newRow("LC_ALL over LANG") << "LC_ALL=de_DE.UTF-8 LANG=zh_CN.UTF-8" << true;
        QTest::newRow("LC_MESSAGES over LANG")
            << "LC_MESSAGES=zh_CN.UTF-8 LANG=en_US.UTF-8" << false;
        QTest::newRow("LANGUAGE=en over a Chinese LANG") << "LANG=zh_CN.UTF-8 LANGUAGE=en" << true;
        QTest::newRow("LANGUAGE=zh over an English LANG")
            << "LANG=en_US.UTF-8 LANGUAGE=zh_CN:en" << false;
        QTest::newRow("LANGUAGE: the first language we speak decides")
            << "LANG=de_DE.UTF-8 LANGUAGE=de:zh_CN:en" << false;
        QTest::newRow("LANGUAGE with none we speak: the locale's language")
            << "LANG=zh_CN.UTF-8 LANGUAGE=de:fr" << false;
        QTest::newRow("LANGUAGE's empty entries are skipped")
            << "LANG=zh_CN.UTF-8 LANGUAGE=::en_GB" << true;
        QTest::newRow("LANGUAGE is not read under C") << "LANG=C LANGUAGE=en" << false;
        QTest::newRow("LANGUAGE=C: the original texts") << "LANG=en_US.UTF-8 LANGUAGE=C" << false;
    }

    void chosenFromTheLocale()
    {
        QFETCH(QString, variables);
        QFETCH(bool, english);
        QProcessEnvironment environment;
        for (const QString &pair : variables.split(u' ', Qt::SkipEmptyParts))
            environment.insert(pair.section(u'=', 0, 0), pair.section(u'=', 1));
        QCOMPARE(interfaceLanguage(environment) == Language::English, english);
    }
};

QTEST_APPLESS_MAIN(TestLanguage)

#include "tst_language.moc"
