#include "messagetyping.h"

#include <QTest>

using Texts = QList<QByteArray>;

class TestMessageTyping : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void ticks_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<Texts>("shown");

        QTest::newRow("three Latin letters") << QByteArray("ABC") << Texts{"", "A", "AB", "ABC"};
        // 设置 in GBK: every other tick ends on the lead byte of a character.
        QTest::newRow("two Chinese characters")
            << QByteArray("\xC9\xE8\xD6\xC3")
            << Texts{"", "\xC9", "\xC9\xE8", "\xC9\xE8\xD6", "\xC9\xE8\xD6\xC3"};
        QTest::newRow("empty message") << QByteArray() << Texts{""};
        QTest::newRow("line break takes two ticks")
            << QByteArray("A\r\nB") << Texts{"", "A", "A\r", "A\r\n", "A\r\nB"};
        QTest::newRow("single byte") << QByteArray("!") << Texts{"", "!"};
    }

    // Tick k shows the first k - 1 bytes; only the tick that shows them all stops.
    void ticks()
    {
        QFETCH(QByteArray, message);
        QFETCH(Texts, shown);

        int shownBytes = 0;
        for (qsizetype tick = 0; tick < shown.size(); ++tick) {
            const MessageTyping::Step step = MessageTyping::step(message, shownBytes);
            QCOMPARE(step.text, shown.at(tick));
            QCOMPARE(step.stop, tick == shown.size() - 1);
            QCOMPARE(shownBytes, tick + 1);
        }
    }

    void countOutsideTheMessage_data()
    {
        QTest::addColumn<int>("shownBytes");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("stop");

        QTest::newRow("past the end shows it whole") << 9 << QByteArray("ABC") << true;
        QTest::newRow("negative shows nothing") << -2 << QByteArray() << false;
    }

    // The count is a public field of the popup; a stray value must not read out of range.
    void countOutsideTheMessage()
    {
        QFETCH(int, shownBytes);
        QFETCH(QByteArray, text);
        QFETCH(bool, stop);

        const int before = shownBytes;
        const MessageTyping::Step step = MessageTyping::step("ABC", shownBytes);
        QCOMPARE(step.text, text);
        QCOMPARE(step.stop, stop);
        QCOMPARE(shownBytes, before + 1);
    }
};

QTEST_APPLESS_MAIN(TestMessageTyping)
#include "tst_messagetyping.moc"
