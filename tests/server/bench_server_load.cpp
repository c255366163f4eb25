// Load benchmark (not a test): starts ServerKelmar, seats tables of four players over TCP
// on 127.0.0.1, lets them play, and reports games and moves per second, the server's
// processor time beside the wall time (both from the first move until every table has
// played its games), its peak resident memory, and the time from a move's send until its
// chain half has reached the other three players of the table.
//
// The players must cost far less than the server, or the figures are theirs: they join
// one after the other (so the server seats players 4k to 4k + 3 at table k + 1), then one
// thread per core runs whole tables over plain non-blocking sockets with epoll, reading
// into fixed buffers without any allocation per message. A player moves as soon as its
// turn begins, or after a think time drawn evenly from 0 to twice --think milliseconds,
// so that the tables do not move in step as they would with one fixed time.
//   bench_server_load [--tables 250] [--games-per-table 2] [--pause MS] [--think MS] [--threads N]
#include "Convert.h"
#include "Protocol.h"
#include "Rules.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <optional>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {
constexpr int Seats = 4;
pid_t serverPid = -1;

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "bench_server_load: %s (%s)\n", what, std::strerror(errno));
    if (serverPid > 0)
        kill(serverPid, SIGTERM);
    std::exit(2);
}

long long nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int option(int argc, char **argv, const char *name, int fallback)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], name) == 0)
            return std::atoi(argv[i + 1]);
    return fallback;
}

struct Table;

// One player: its socket and its view of the table, built from the server's messages
// alone as the client program builds it.
struct Player {
    int fd = -1;
    Table *table = nullptr;
    int seat = -1;  // from the greeting
    std::array<int, Rules::HandSize> hand{};
    std::array<bool, Rules::HandSize> on{};
    std::array<bool, Rules::RingSize + 1> occupied{};
    std::array<std::uint8_t, Rules::RingSize + 1> pips{};
    char carry[4]{};  // an opcode message cut off by the end of a read
    int carried = 0;
};

// A move on its way: when it was sent, the position letter of its chain half, and how
// many of the other three players have seen that half. The next mover may move before
// the slowest reader has seen the last move, so a table keeps a few.
struct InFlight {
    char position = 0;  // 0: a free entry
    int mover = -1;
    int seen = 0;
    long long sentAt = 0;
};

struct Table {
    std::array<Player, Seats> players;
    std::array<InFlight, Seats> moves;
    int scoreBoards = 0;  // games over, counted by player 0
};

struct Shared {
    int gamesPerTable = 0;
    long long thinkNs = 0;
    int tables = 0;
    std::atomic<int> tablesDone{0};
    std::atomic<bool> stop{false};
    std::atomic<int> faults{0};       // refusals, disconnections and other surprises
    std::atomic<bool> moving{false};  // the first move is sent: the measurement begins
};

// One generator thread: the sockets of its tables in one epoll set, the moves waiting
// for their think time, and the latencies it measured.
class Worker {
public:
    Worker(Shared &shared, std::size_t tables) : shared_(shared)
    {
        epoll_ = epoll_create1(0);
        if (epoll_ < 0)
            fail("epoll_create1");
        due_.reserve(tables * Seats);
        latenciesUs_.reserve(tables * std::size_t(shared_.gamesPerTable + 1) * Rules::TileCount);
    }
    ~Worker() { close(epoll_); }

    void watch(Player &player)
    {
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.ptr = &player;
        if (epoll_ctl(epoll_, EPOLL_CTL_ADD, player.fd, &event) < 0)
            fail("epoll_ctl");
    }

    void run()
    {
        std::array<epoll_event, 256> events;
        while (!shared_.stop.load(std::memory_order_relaxed)) {
            const int ready = epoll_wait(epoll_, events.data(), int(events.size()), timeoutMs());
            if (ready < 0 && errno != EINTR)
                fail("epoll_wait");
            for (int i = 0; i < ready; ++i)
                read(*static_cast<Player *>(events[i].data.ptr));
            for (const long long now = nowNs(); !due_.empty() && due_.front().first <= now;) {
                std::ranges::pop_heap(due_, std::greater<>());
                Player *player = due_.back().second;
                due_.pop_back();
                move(*player);
            }
        }
    }

    // Reads what has arrived for a player; blocking sockets read once.
    void read(Player &player)
    {
        char buffer[16384];
        for (;;) {
            std::memcpy(buffer, player.carry, std::size_t(player.carried));
            const ssize_t got = ::read(player.fd, buffer + player.carried, sizeof buffer - std::size_t(player.carried));
            if (got < 0 && (errno == EAGAIN || errno == EINTR))
                return;
            if (got <= 0) {  // the server closed it: only when the benchmark is over
                if (!shared_.stop)
                    ++shared_.faults;
                epoll_ctl(epoll_, EPOLL_CTL_DEL, player.fd, nullptr);
                return;
            }
            const int length = player.carried + int(got);
            player.carried = 0;
            parse(player, buffer, length);
            if (got < ssize_t(sizeof buffer) - 4)
                return;
        }
    }

    const std::vector<int> &latenciesUs() const { return latenciesUs_; }
    long moves() const { return moves_; }

private:
    // Opcode messages, or a "^" message: up to the next "^" or capital letter after its
    // fourth character, or the end of the read.
    void parse(Player &player, const char *bytes, int length)
    {
        for (int at = 0; at < length;) {
            if (bytes[at] == '^') {
                int end = std::min(length, at + 4);
                while (end < length && bytes[end] != '^' && !(bytes[end] >= 'A' && bytes[end] <= 'Z'))
                    ++end;
                playerData(player, bytes + at, end - at);
                at = end;
                continue;
            }
            const int parameters = Protocol::OpcodeParameterCount(bytes[at]);
            if (parameters < 0) {
                ++shared_.faults;
                ++at;
            } else if (at + parameters >= length) {
                player.carried = length - at;
                std::memcpy(player.carry, bytes + at, std::size_t(player.carried));
                return;
            } else {
                opcode(player, bytes + at);
                at += parameters + 1;
            }
        }
    }

    static int digit(char c) { return c - '0'; }

    void opcode(Player &player, const char *m)
    {
        Table &table = *player.table;
        switch (m[0]) {
        case 'A': player.hand[std::size_t(digit(m[1]) - 1)] = digit(m[2]) * 10 + digit(m[3]); break;
        case 'B':
            player.pips[ConvertA21(std::uint8_t(m[1]))] = std::uint8_t(digit(m[2]));
            for (InFlight &move : table.moves)
                if (move.position == m[1] && move.mover != player.seat && ++move.seen == Seats - 1) {
                    latenciesUs_.push_back(int((nowNs() - move.sentAt) / 1000));
                    move.position = 0;
                }
            break;
        case 'C':
            if (m[1] != '1' && m[1] != '4' && m[1] != '7')  // a refused move or a disconnection
                ++shared_.faults;
            break;
        case 'D':
            player.occupied.fill(false);
            player.on.fill(true);
            player.hand.fill(0);
            break;
        case 'E': player.occupied[ConvertA21(std::uint8_t(m[1]))] = true; break;
        case 'F': switchHand(player); break;
        case 'H': player.seat = digit(m[1]) - 1; break;
        }
    }

    void playerData(Player &player, const char *m, int length)
    {
        Table &table = *player.table;
        if (length >= 3 && m[1] == '$' && m[2] == '4' && &player == &table.players[0]
            && ++table.scoreBoards == shared_.gamesPerTable)
            ++shared_.tablesDone;
    }

    // As the client does: position 1 opens, the unplayed tiles switch, and the turn begins
    // when they are on.
    void switchHand(Player &player)
    {
        player.occupied[1] = true;
        bool anyOn = false;
        for (std::size_t i = 0; i < player.hand.size(); ++i)
            if (player.hand[i] != 0) {
                player.on[i] = !player.on[i];
                anyOn = anyOn || player.on[i];
            }
        if (!anyOn)
            return;
        if (shared_.thinkNs == 0)
            return move(player);
        if (due_.size() == due_.capacity())
            fail("more turns than players");
        random_ ^= random_ << 13, random_ ^= random_ >> 7, random_ ^= random_ << 17;  // xorshift64
        due_.emplace_back(nowNs() + std::int64_t(random_ % std::uint64_t(2 * shared_.thinkNs)), &player);
        std::ranges::push_heap(due_, std::greater<>());
    }

    int timeoutMs() const
    {
        if (due_.empty())
            return 50;  // to notice the end
        const long long wait = due_.front().first - nowNs();
        return wait <= 0 ? 0 : int(std::min<long long>(50, (wait + 999999) / 1000000));
    }

    // The heaviest tile that fits, sent as the client program sends a move.
    void move(Player &player)
    {
        const auto occupied = [&player](int p) { return p >= 1 && p <= Rules::RingSize && player.occupied[p]; };
        const int tilesLeft = int(std::ranges::count_if(player.hand, [](int t) { return t != 0; }));
        std::optional<Protocol::PlacedMove> best;
        for (int target = 1; target <= Rules::RingSize; ++target)
            for (int slot = 1; slot <= Rules::HandSize && occupied(target); ++slot) {
                const auto pips = Rules::PipsOfTile(player.hand[std::size_t(slot - 1)]);
                if (!pips)
                    continue;
                const Rules::Placement placement = Rules::Place(occupied, target, player.pips[target], *pips);
                if (placement.kind != Rules::Placement::Opening && placement.kind != Rules::Placement::Match)
                    continue;
                if (!best || pips->first + pips->second > best->pips.first + best->pips.second)
                    best = Protocol::MakeMove(player.seat, slot, *pips, target, placement, tilesLeft == 1);
            }
        if (!best) {
            ++shared_.faults;
            return;
        }
        char bytes[64];
        std::size_t length = 0;
        for (const std::string &message : Protocol::MoveMessages(*best))
            length += message.copy(bytes + length, sizeof bytes - length);
        length += Protocol::HandStateMessage(best->seat, best->handEmpty).copy(bytes + length, sizeof bytes - length);
        InFlight &sent = *std::ranges::min_element(player.table->moves, {}, [](const InFlight &m) {
            return m.position == 0 ? 0 : m.sentAt;  // a free entry, or else the oldest
        });
        sent = {char(best->opening ? 'a' : Convert12A(std::uint8_t(best->next))), player.seat, 0, nowNs()};
        if (write(player.fd, bytes, length) != ssize_t(length))
            fail("write");
        player.hand[std::size_t(best->slot - 1)] = 0;
        ++moves_;
        shared_.moving.store(true, std::memory_order_relaxed);
    }

    Shared &shared_;
    int epoll_ = -1;
    std::vector<std::pair<long long, Player *>> due_;  // a heap of moves by their time, the earliest first
    std::uint64_t random_ = 0x9e3779b97f4a7c15;
    std::vector<int> latenciesUs_;
    long moves_ = 0;
};

// The server, started with its log in a file of its own.
struct Server {
    pid_t pid = -1;
    int port = 0;
    std::string log;

    Server(const std::string &program, const std::vector<std::string> &arguments)
    {
        char name[] = "/tmp/bench_server_load.XXXXXX";
        const int file = mkstemp(name);
        if (file < 0)
            fail("mkstemp");
        log = name;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, file, STDERR_FILENO);
        std::vector<char *> argv{const_cast<char *>(program.c_str())};
        for (const std::string &a : arguments)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0)
            fail("posix_spawn ServerKelmar");
        serverPid = pid;
        posix_spawn_file_actions_destroy(&actions);
        close(file);
        for (int tries = 0; tries < 1000 && port == 0; ++tries) {
            usleep(10000);
            if (FILE *f = std::fopen(log.c_str(), "r")) {
                char line[512];
                while (port == 0 && std::fgets(line, sizeof line, f))
                    if (const char *at = std::strstr(line, "listening on 127.0.0.1:"))
                        port = std::atoi(at + std::strlen("listening on 127.0.0.1:"));
                std::fclose(f);
            }
        }
        if (port == 0)
            fail("ServerKelmar did not start");
    }
    ~Server()
    {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        unlink(log.c_str());
    }

    // Processor time (user and system) in seconds, and the peak resident memory in KiB.
    double processorSeconds() const
    {
        char path[64];
        std::snprintf(path, sizeof path, "/proc/%d/stat", int(pid));
        FILE *f = std::fopen(path, "r");
        if (!f)
            return 0;
        char text[1024] = {};
        std::fread(text, 1, sizeof text - 1, f);
        std::fclose(f);
        const char *fields = std::strrchr(text, ')');  // after the program's name
        unsigned long long user = 0, system = 0;
        if (fields)
            std::sscanf(fields + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &user, &system);
        return double(user + system) / double(sysconf(_SC_CLK_TCK));
    }
    long peakKiB() const
    {
        char path[64];
        std::snprintf(path, sizeof path, "/proc/%d/status", int(pid));
        FILE *f = std::fopen(path, "r");
        long kib = 0;
        char line[256];
        while (f && std::fgets(line, sizeof line, f))
            if (std::sscanf(line, "VmHWM: %ld", &kib) == 1)
                break;
        if (f)
            std::fclose(f);
        return kib;
    }
};

// Connects, joins and waits for the greeting, so that players sit down in order.
void join(Player &player, int port, int number)
{
    player.fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(std::uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (player.fd < 0 || connect(player.fd, reinterpret_cast<sockaddr *>(&address), sizeof address) < 0)
        fail("connect");
    const int on = 1;
    setsockopt(player.fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    const std::string message = Protocol::JoinMessage(0, "Pl" + std::to_string(number)) + Protocol::AfterJoin;
    if (write(player.fd, message.data(), message.size()) != ssize_t(message.size()))
        fail("write");
}

double percentile(std::vector<int> &samples, double p)
{
    if (samples.empty())
        return 0;
    const auto at = samples.begin() + std::ptrdiff_t(p * double(samples.size() - 1));
    std::nth_element(samples.begin(), at, samples.end());
    return *at / 1000.0;
}

double processorSecondsOfThisProcess()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}
}  // namespace

int main(int argc, char **argv)
{
    Shared shared;
    shared.tables = option(argc, argv, "--tables", 250);
    shared.gamesPerTable = option(argc, argv, "--games-per-table", 2);
    shared.thinkNs = option(argc, argv, "--think", 0) * 1000000LL;
    const int pause = option(argc, argv, "--pause", 3000);
    const int threads = option(argc, argv, "--threads", int(std::max(1u, std::thread::hardware_concurrency())));

    rlimit files{};  // a socket per player
    getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);

    Server server(KELMAR_OUT_DIR "/ServerKelmar",
                  {"--port", "0", "--per-address", "0", "--tables", std::to_string(shared.tables), "--pause",
                   std::to_string(pause)});
    std::vector<std::unique_ptr<Table>> tables;
    std::vector<std::unique_ptr<Worker>> workers;  // table t is worker t % threads's
    for (int t = 0; t < shared.tables; ++t)
        tables.push_back(std::make_unique<Table>());
    for (int w = 0; w < threads; ++w)
        workers.push_back(std::make_unique<Worker>(shared, std::size_t((shared.tables + threads - 1) / threads)));
    for (int t = 0; t < shared.tables; ++t)
        for (int i = 0; i < Seats; ++i) {
            Player &player = tables[std::size_t(t)]->players[std::size_t(i)];
            player.table = tables[std::size_t(t)].get();
            join(player, server.port, t * Seats + i);
            while (player.seat < 0)
                workers[std::size_t(t % threads)]->read(player);
            fcntl(player.fd, F_SETFL, fcntl(player.fd, F_GETFL) | O_NONBLOCK);
            workers[std::size_t(t % threads)]->watch(player);
        }

    std::vector<std::thread> running;
    for (auto &worker : workers)
        running.emplace_back([&worker] { worker->run(); });
    while (!shared.moving && shared.faults == 0)
        usleep(100);
    const long long start = nowNs();
    const double serverStart = server.processorSeconds(), ownStart = processorSecondsOfThisProcess();
    while (shared.tablesDone < shared.tables && shared.faults == 0 && nowNs() - start < 600'000'000'000LL)
        usleep(1000);
    const double seconds = double(nowNs() - start) / 1e9;
    const double serverSeconds = server.processorSeconds() - serverStart;
    const long peak = server.peakKiB();
    shared.stop = true;
    for (std::thread &t : running)
        t.join();
    const double ownSeconds = processorSecondsOfThisProcess() - ownStart;

    std::vector<int> latencies;
    long moves = 0;
    for (auto &worker : workers) {
        latencies.insert(latencies.end(), worker->latenciesUs().begin(), worker->latenciesUs().end());
        moves += worker->moves();
    }
    const int games = shared.tables * shared.gamesPerTable;
    std::printf("%d tables, %d players on %d generator threads; think %lld ms, pause %d ms\n", shared.tables,
                shared.tables * Seats, threads, shared.thinkNs / 1000000, pause);
    std::printf("%d games in %.2f s: %.1f games/s, %.0f moves/s\n", games, seconds, games / seconds,
                double(moves) / seconds);
    std::printf("server: %.2f s processor time in %.2f s (%.0f %% of one core); peak resident memory %.1f MiB\n",
                serverSeconds, seconds, 100 * serverSeconds / seconds, double(peak) / 1024);
    std::printf("players: %.2f s processor time, all generator threads together\n", ownSeconds);
    std::printf("move sent -> its chain half at the other three: p50 %.2f ms, p99 %.2f ms (%zu moves)\n",
                percentile(latencies, 0.5), percentile(latencies, 0.99), latencies.size());
    if (shared.faults > 0 || shared.tablesDone < shared.tables) {
        std::printf("FAILED: %d refusals, closed connections or unplayable turns; %d of %d tables done\n",
                    shared.faults.load(), shared.tablesDone.load(), shared.tables);
        return 1;
    }
    return 0;
}
