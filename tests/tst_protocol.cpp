#include "Winsock_Handling.h"

#include <QRandomGenerator>
#include <QStringList>
#include <QTest>

namespace {
// Writes down every message the walk hands on, as "A105" or "^@3Kite".
struct Recorder : TBatchDispatcher::Handlers {
    QStringList seen;
    QByteArray failOn;  // an opcode whose handler throws, like a conversion error

    void Opcode(char opcode, const char *p) override
    {
        const QByteArray message = opcode + QByteArray(p, TBatchDispatcher::ParameterCount(opcode));
        if (failOn.contains(opcode))
            throw std::runtime_error("conversion error");
        seen << QString::fromLatin1(message);
    }
    void PlayerData(const QByteArray &message) override { seen << QString::fromLatin1(message); }
};

QStringList walk(TBatchDispatcher &dispatcher, const QList<QByteArray> &reads)
{
    Recorder recorder;
    for (const QByteArray &read : reads)
        dispatcher.Dispatch(read, recorder);
    return recorder.seen;
}

QStringList walk(const QList<QByteArray> &reads)
{
    TBatchDispatcher dispatcher;
    return walk(dispatcher, reads);
}
}  // namespace

class TestProtocol : public QObject {
    Q_OBJECT
private slots:
    void opcodeWalk()
    {
        QCOMPARE(walk({"A105A207"}), (QStringList{"A105", "A207"}));
        QCOMPARE(walk({"EcBc5"}), (QStringList{"Ec", "Bc5"}));
        QCOMPARE(walk({"J2K23"}), (QStringList{"J2", "K23"}));
        QCOMPARE(walk({"DFGHI"}), (QStringList{"D", "F", "G", "HI", "I"}));
        QCOMPARE(walk({"G"}), QStringList{"G"});
        QCOMPARE(walk({"abcxyz019"}), QStringList{});
        QCOMPARE(walk({""}), QStringList{});
    }

    void parametersAreLookedAtAgain()
    {
        // An uppercase parameter starts a message of its own after the one it belongs to.
        QCOMPARE(walk({"KAB123"}), (QStringList{"KAB", "AB12", "B12"}));
    }

    void longBatchesAreWalkedToTheEnd()
    {
        QByteArray batch;
        for (int i = 0; i < 100; ++i)
            batch += "Ec" + QByteArray(1, 'x');
        QCOMPARE(batch.size(), 300);
        QCOMPARE(walk({batch + "D"}).size(), 101);
    }

    void playerDataTakesTheWholeBatch()
    {
        QCOMPARE(walk({"^@3Kite"}), QStringList{"^@3Kite"});
        QCOMPARE(walk({"^@3Kite^$3"}), QStringList{"^@3Kite^$3"});
        QCOMPARE(walk({"^"}), QStringList{"^"});
    }

    void caretInTheWalkStartsPlayerData()
    {
        QCOMPARE(walk({"D^@2Kite"}), (QStringList{"D", "^@2Kite"}));
        QCOMPARE(walk({"F^$1A105"}), (QStringList{"F", "^$1A105"}));
    }

    void cutMessagesAreCompletedByTheNextRead()
    {
        QCOMPARE(walk({"A1", "05"}), QStringList{"A105"});
        QCOMPARE(walk({"DA", "1", "05F"}), (QStringList{"D", "A105", "F"}));
        QCOMPARE(walk({"K2", "3", "^@1Al"}), (QStringList{"K23", "^@1Al"}));
        TBatchDispatcher dispatcher;
        walk(dispatcher, {"EcB"});
        QCOMPARE(dispatcher.Carried(), QByteArray("B"));
        QCOMPARE(walk(dispatcher, {"c5"}), QStringList{"Bc5"});
        QVERIFY(dispatcher.Carried().isEmpty());
    }

    void anErrorEndsTheBatchAndDropsTheRest()
    {
        TBatchDispatcher dispatcher;
        Recorder recorder;
        recorder.failOn = "B";
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, dispatcher.Dispatch("EcBx5A1", recorder));
        QCOMPARE(recorder.seen, QStringList{"Ec"});
        QVERIFY(dispatcher.Carried().isEmpty());
        recorder.failOn.clear();
        dispatcher.Dispatch("05", recorder);  // nothing of the failed batch comes back
        QCOMPARE(recorder.seen, QStringList{"Ec"});
    }

    void anyBytesSplitAnywhereAreSafe()
    {
        // Random reads of random bytes: the walk never reads past a batch and never
        // carries more than an opcode with two parameters.
        QRandomGenerator random(20261208);
        const QByteArray alphabet = "ABCDEFGHIJK^@#$abcz0123456789\x00\xff";
        for (int round = 0; round < 2000; ++round) {
            TBatchDispatcher dispatcher;
            Recorder recorder;
            for (int read = 0; read < 5; ++read) {
                QByteArray bytes(random.bounded(12), '\0');
                for (char &c : bytes)
                    c = random.bounded(4) ? alphabet[random.bounded(alphabet.size())] : char(random.bounded(256));
                dispatcher.Dispatch(bytes, recorder);
                QVERIFY(dispatcher.Carried().size() <= TBatchDispatcher::MaxCarry);
            }
        }
    }

    void notices()
    {
        QCOMPARE(NoticeText(3), QStringLiteral("Missmatch,Try for another card"));
        QCOMPARE(NoticeText(6), QStringLiteral(" Now it's your turn"));
        QCOMPARE(NoticeText(0), QString());
        QCOMPARE(NoticeText(8), QString());
    }
};

QTEST_APPLESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
