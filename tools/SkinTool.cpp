// kelmar-skin: lists, unpacks, packs and checks skin archives for skin authors.
#include "SkinArchive.h"
#include "SkinData.h"
#include "SkinDefinition.h"

#include <QPalette>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
constexpr char Usage[] = R"(usage: kelmar-skin COMMAND ARGUMENTS

  list FILE.skin          the members of the archive with their sizes
  extract FILE.skin DIR   writes every member into DIR (made when missing). A member
                          whose name is no plain file name (empty, ".", "..", with "/",
                          "\", ":" or control characters) is skipped and reported.
                          Every file is made inside the folder as it was opened, never
                          through a symbolic link and never over anything but a plain
                          file of its own, so nothing lands outside DIR; a DIR that is
                          itself a symbolic link is refused
  pack OUT.skin FILES...  writes the files as the members of a new archive, in the order
                          given; a folder stands for the files in it, in name order. The
                          member names are the file names
  check FILE.skin         unpacks the archive and reads its definition (the first member
                          whose name contains ".ini") as Kelmar does; reports every
                          section read, every bitmap named and whether it loads, and every
                          value that is no number, no colour or out of range
  --help                  this text

The exit status is 0 when the command did all it should and found nothing wrong, 1 when
something was wrong, 2 for a wrong command line.
)";

constexpr std::uintmax_t MaxInputSize = 16u << 20;

// Member names can hold any byte; control characters are shown escaped.
std::string printable(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", u);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<SkinArchive::Bytes> readFile(const fs::path &path)
{
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);
    if (error || size > MaxInputSize) {
        std::fprintf(stderr, "kelmar-skin: %s: %s\n", path.string().c_str(),
                     error ? error.message().c_str() : "larger than 16 MiB");
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    SkinArchive::Bytes bytes(size);
    if (!in.read(reinterpret_cast<char *>(bytes.data()), std::streamsize(size))) {
        std::fprintf(stderr, "kelmar-skin: %s: can't be read\n", path.string().c_str());
        return std::nullopt;
    }
    return bytes;
}

std::optional<TSkinReader> openArchive(const fs::path &path)
{
    const auto bytes = readFile(path);
    if (!bytes)
        return std::nullopt;
    TSkinReader reader;
    if (!reader.Unpack(*bytes)) {
        std::string reason = reader.error();
        std::replace(reason.begin(), reason.end(), '\r', ' ');
        std::fprintf(stderr, "kelmar-skin: %s: %s\n", path.string().c_str(), reason.c_str());
        return std::nullopt;
    }
    return reader;
}

int list(const fs::path &file)
{
    const auto reader = openArchive(file);
    if (!reader)
        return 1;
    std::size_t total = 0;
    for (std::size_t i = 0; i < reader->Names().size(); ++i) {
        const std::size_t size = reader->Data(i).size();
        std::printf("%10zu  %s\n", size, printable(reader->Names()[i]).c_str());
        total += size;
    }
    std::printf("%10zu  in %zu members\n", total, reader->Names().size());
    return 0;
}

bool plainFileName(std::string_view name)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    return std::ranges::none_of(name, [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7F || c == '/' || c == '\\' || c == ':';
    });
}

// A file descriptor closed when it goes.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(Descriptor &&other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Descriptor &operator=(Descriptor &&) = delete;
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }

private:
    int fd_;
};

// The target folder, made when missing and opened without following a link in its own
// place: every member is then written relative to this one folder, whatever is swapped
// in under its name meanwhile. A target that is itself a symbolic link is refused.
std::optional<Descriptor> openTargetFolder(const fs::path &dir)
{
    fs::path path = dir.lexically_normal();
    if (!path.has_filename())
        path = path.parent_path();
    const fs::path parent = path.has_parent_path() ? path.parent_path() : fs::path(".");
    const fs::path leaf = path.has_filename() ? path.filename() : fs::path(".");
    std::error_code error;
    fs::create_directories(parent, error);
    const Descriptor above(::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!above.valid() || (::mkdirat(above.get(), leaf.c_str(), 0777) != 0 && errno != EEXIST)) {
        std::fprintf(stderr, "kelmar-skin: %s: %s\n", dir.string().c_str(), std::strerror(errno));
        return std::nullopt;
    }
    Descriptor folder(::openat(above.get(), leaf.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder.valid()) {
        struct stat status {};
        const bool link
            = ::fstatat(above.get(), leaf.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(status.st_mode);
        std::fprintf(stderr, "kelmar-skin: %s: %s\n", dir.string().c_str(),
                     link ? "a symbolic link, not a folder" : "not a folder");
        return std::nullopt;
    }
    return folder;
}

// A new file, or a plain file of that name with no other name: never a link, a FIFO, a
// device or a file that is reached through a hard link as well.
const char *openMemberFile(int folder, const std::string &name, std::optional<Descriptor> &file)
{
    constexpr int flags = O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    file.emplace(::openat(folder, name.c_str(), flags | O_CREAT | O_EXCL, 0666));
    if (!file->valid() && errno == EEXIST)
        file.emplace(::openat(folder, name.c_str(), flags));
    if (!file->valid())
        return errno == ELOOP ? "a symbolic link is in its place" : "can't be written";
    struct stat status {};
    if (::fstat(file->get(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_nlink != 1)
        return "something other than a file of its own is in its place";
    if (::ftruncate(file->get(), 0) != 0)
        return "can't be written";
    return nullptr;
}

bool writeAll(int fd, std::span<const std::uint8_t> data)
{
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data = data.subspan(std::size_t(n));
    }
    return true;
}

int extract(const fs::path &file, const fs::path &dir)
{
    const auto reader = openArchive(file);
    if (!reader)
        return 1;
    const std::optional<Descriptor> folder = openTargetFolder(dir);
    if (!folder)
        return 1;
    int status = 0;
    std::vector<std::string> written;
    for (std::size_t i = 0; i < reader->Names().size(); ++i) {
        const std::string &name = reader->Names()[i];
        const auto skip = [&](const char *why) {
            std::fprintf(stderr, "kelmar-skin: member %zu \"%s\" skipped: %s\n", i + 1, printable(name).c_str(), why);
            status = 1;
        };
        if (!plainFileName(name)) {
            skip("not a plain file name");
            continue;
        }
        if (std::ranges::find(written, name) != written.end()) {
            skip("a member of that name came before");
            continue;
        }
        std::optional<Descriptor> out;
        if (const char *why = openMemberFile(folder->get(), name, out)) {
            skip(why);
            continue;
        }
        if (!writeAll(out->get(), reader->Data(i))) {
            skip("can't be written");
            continue;
        }
        written.push_back(name);
        std::printf("%s\n", (dir / name).string().c_str());
    }
    return status;
}

// The files to pack: each argument, or the files in a folder in name order.
std::vector<fs::path> packInputs(const std::vector<fs::path> &arguments)
{
    std::vector<fs::path> files;
    for (const fs::path &argument : arguments) {
        if (!fs::is_directory(argument)) {
            files.push_back(argument);
            continue;
        }
        std::vector<fs::path> inFolder;
        std::error_code error;
        for (const fs::directory_entry &entry : fs::directory_iterator(argument, error))
            if (entry.is_regular_file())
                inFolder.push_back(entry.path());
        std::ranges::sort(inFolder, [](const fs::path &a, const fs::path &b) { return a.filename() < b.filename(); });
        files.insert(files.end(), inFolder.begin(), inFolder.end());
    }
    return files;
}

int pack(const fs::path &out, const std::vector<fs::path> &arguments)
{
    std::vector<SkinArchive::Member> members;
    for (const fs::path &path : packInputs(arguments)) {
        const std::string name = path.filename().string();
        if (std::ranges::any_of(members, [&](const auto &m) { return LowerAscii(m.name) == LowerAscii(name); })) {
            std::fprintf(stderr, "kelmar-skin: %s: a member of that name (in any case) is already packed\n",
                         path.string().c_str());
            return 1;
        }
        auto bytes = readFile(path);
        if (!bytes)
            return 1;
        members.push_back({name, std::move(*bytes)});
    }
    SkinArchive::Bytes archive;
    try {
        archive = SkinArchive::Pack(members);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "kelmar-skin: %s\n", e.what());
        return 1;
    }
    // Written beside the target and renamed, so that a failed pack leaves no half file.
    const fs::path partial = out.string() + ".partial";
    {
        std::ofstream file(partial, std::ios::binary | std::ios::trunc);
        if (!file.write(reinterpret_cast<const char *>(archive.data()), std::streamsize(archive.size()))) {
            std::fprintf(stderr, "kelmar-skin: %s: can't be written\n", partial.string().c_str());
            return 1;
        }
    }
    std::error_code error;
    fs::rename(partial, out, error);
    if (error) {
        std::fprintf(stderr, "kelmar-skin: %s: %s\n", out.string().c_str(), error.message().c_str());
        fs::remove(partial, error);
        return 1;
    }
    std::printf("%s: %zu members, %zu bytes\n", out.string().c_str(), members.size(), archive.size());
    return 0;
}

int check(const fs::path &file)
{
    const auto reader = openArchive(file);
    if (!reader)
        return 1;
    const TSkinReader::Found definition = reader->FindPart(".ini");
    if (definition.name.empty()) {
        std::fprintf(stderr, "kelmar-skin: %s: no definition (a member whose name contains .ini)\n",
                     file.string().c_str());
        return 1;
    }
    if (definition.data.size() > SkinLimits::MaxDefinitionSize) {
        std::fprintf(stderr, "kelmar-skin: %s: the definition is larger than 1 MiB\n", file.string().c_str());
        return 1;
    }
    TSkinReport report;
    const TSkinDefinition skin = ReadSkinDefinition(
        std::string_view(reinterpret_cast<const char *>(definition.data.data()), definition.data.size()), *reader,
        TSkinData::SystemColours(QPalette()), &report);
    std::printf("skin \"%s\", definition %s, %zu members\n", qPrintable(skin.Name), printable(definition.name).c_str(),
                reader->Names().size());
    std::printf("sections read: %s\n", qPrintable(report.sectionsRead.join(QStringLiteral(", "))));
    if (!report.sectionsUnknown.isEmpty())
        std::printf("sections not read: %s\n", qPrintable(report.sectionsUnknown.join(QStringLiteral(", "))));
    int status = 0;
    for (const TSkinReport::Bitmap &b : report.bitmaps) {
        std::printf("bitmap %s = %s: %s\n", qPrintable(b.where), printable(b.value.toStdString()).c_str(),
                    b.problem.isEmpty() ? "ok" : qPrintable(b.problem));
        status |= b.problem.isEmpty() ? 0 : 1;
    }
    for (const QString &problem : report.problems)
        std::printf("problem: %s\n", printable(problem.toStdString()).c_str());
    status |= report.problems.isEmpty() ? 0 : 1;
    const QStringList refused = WindowLimitProblems(skin);
    for (const QString &why : refused)
        std::printf("refused by Kelmar: %s\n", printable(why.toStdString()).c_str());
    status |= refused.isEmpty() ? 0 : 1;
    std::printf("%s\n", status == 0 ? "everything holds" : "something is wrong");
    return status;
}
}  // namespace

int main(int argc, char *argv[])
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    const std::string command = args.empty() ? std::string() : args[0];
    if (command == "--help" || command == "-h") {
        std::fputs(Usage, stdout);
        return 0;
    }
    if (command == "list" && args.size() == 2)
        return list(args[1]);
    if (command == "extract" && args.size() == 3)
        return extract(args[1], args[2]);
    if (command == "pack" && args.size() >= 3)
        return pack(args[1], std::vector<fs::path>(args.begin() + 2, args.end()));
    if (command == "check" && args.size() == 2)
        return check(args[1]);
    std::fputs(Usage, stderr);
    return 2;
}
