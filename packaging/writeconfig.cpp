// Writes the default config.ini to the file named on the command line: the very text
// that the program writes beside itself when the file is missing, so that an
// installation can ship it and a read-only program folder never needs the write.
#include "Global.h"
#include "IniFile.h"

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: writeconfig FILE\n");
        return 2;
    }
    try {
        WriteDefaultConfig(QString::fromLocal8Bit(argv[1]));
    } catch (const KelmarError &error) {
        std::fprintf(stderr, "writeconfig: %s\n", error.what());
        return 1;
    }
    return 0;
}
