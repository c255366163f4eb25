#include "Convert.h"

#include <QTest>

class TestConvert : public QObject {
    Q_OBJECT
private slots:
    void lettersToPositions()
    {
        QCOMPARE(ConvertA21('a'), 1);
        QCOMPARE(ConvertA21('m'), 13);
        QCOMPARE(ConvertA21('z'), 26);
        for (int code = 0; code < 256; ++code) {
            const bool letter = code >= 'a' && code <= 'z';
            QCOMPARE(ConvertA21(static_cast<char>(code)), letter ? code - 96 : 0);
        }
    }

    void positionsToLetters()
    {
        QCOMPARE(Convert12A(1), 'a');
        QCOMPARE(Convert12A(26), 'z');
        for (int n : {0, 27, 100, 255})
            QCOMPARE(Convert12A(static_cast<std::uint8_t>(n)), ' ');
        for (int n = 1; n <= 26; ++n)
            QCOMPARE(ConvertA21(Convert12A(static_cast<std::uint8_t>(n))), n);
    }
};

QTEST_APPLESS_MAIN(TestConvert)
#include "tst_convert.moc"
