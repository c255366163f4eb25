#include "Protocol.h"
#include "Winsock_Handling.h"

#include <QRandomGenerator>
#include <QStringList>
#include <QTest>
#include <algorithm>
#include <cstring>

namespace {
// Writes down every message the walk hands on, as "A105" or "^@3Kite".
struct Recorder : TBatchDispatcher::Handlers {
    QStringList seen;
    QByteArray failOn;  // an opcode whose handler throws, like a conversion error

    void Opcode(char opcode, const char *p) override
    {
        const QByteArray message = opcode + QByteArray(p, Protocol::OpcodeParameterCount(opcode));
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

    void aCaretReadDropsTheCarriedFragment()
    {
        QCOMPARE(walk({"K2", "^@3Kite"}), QStringList{"^@3Kite"});
        QCOMPARE(walk({"EcB", "^$49", "c5"}), (QStringList{"Ec", "^$49"}));  // "c5" alone is no message
    }

    void echoIsCut()
    {
        QCOMPARE(EchoText("EcBc5", 200), QStringLiteral("EcBc5"));
        QCOMPARE(EchoText(QByteArray(250, 'D'), 200), QString(200, QLatin1Char('D')) + " [... 50 more characters]");
        QCOMPARE(EchoText("^@2\xe9", 2), QStringLiteral("^@ [... 2 more characters]"));
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
        QVERIFY(Protocol::NoticeText(3) == "Missmatch,Try for another card");
        QVERIFY(Protocol::NoticeText(6) == " Now it's your turn");
        QVERIFY(Protocol::NoticeText(0).empty() && Protocol::NoticeText(8).empty());
    }

    void outboundMessages()
    {
        // The moves of the protocol's examples, each placed by the rule on its chain, and
        // every message in a form that the server's reader takes.
        struct Case {
            std::vector<int> occupied;
            int target, open, seat, slot, a, b;
            bool handEmpty;
            const char *wire;
        };
        const Case cases[] = {
            {{1}, 1, 0, 0, 3, 5, 6, false, "Ba6Bb5EbZ0X03Yr5Yl6Wt0"},
            {{1, 2, 3}, 3, 5, 2, 4, 5, 6, false, "Bd6EcEdZ2X24Yr6Wt2"},
            {{1, 2, 3, 4}, 4, 2, 1, 7, 2, 2, true, "Be2EdEeZ1X17Yr2Wf1"},
            {{1, 2}, 1, 6, 3, 2, 4, 6, false, "Bz4EaEzZ3X32Yl4Wt3"},
        };
        for (const Case &c : cases) {
            const auto occupied = [&c](int p) { return std::ranges::count(c.occupied, p) > 0; };
            const Rules::Pips pips{std::uint8_t(c.a), std::uint8_t(c.b)};
            const Rules::Placement placement = Rules::Place(occupied, c.target, std::uint8_t(c.open), pips);
            const auto move = Protocol::MakeMove(c.seat, c.slot, pips, c.target, placement, c.handEmpty);
            std::vector<std::string> messages = Protocol::MoveMessages(move);
            messages.push_back(Protocol::HandStateMessage(c.seat, c.handEmpty));
            std::string wire;
            for (const std::string &m : messages) {
                const char *const *parameters = Protocol::ClientMessageParameters(m[0]);
                QVERIFY(parameters);
                for (std::size_t i = 1; i < m.size(); ++i)
                    QVERIFY(parameters[i - 1] && std::strchr(parameters[i - 1], m[i]));
                wire += m;
            }
            QCOMPARE(QByteArray::fromStdString(wire), QByteArray(c.wire));
        }
        QCOMPARE(Protocol::JoinMessage(2, "Kite"), std::string("!@2Kite"));
        QCOMPARE(Protocol::RefusalMessage(Protocol::Refusal::NoRoom), std::string("C2"));
        QCOMPARE(Protocol::RefusalMessage(Protocol::Refusal::Mismatch), std::string("C3"));
    }
};

QTEST_APPLESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
