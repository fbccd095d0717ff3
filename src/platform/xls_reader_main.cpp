// orvane-xls-reader FILE SHEET: started by the programs to read one .xls file.

#include "platform/xls_reader.h"

#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    RunXlsReaderProcess(QByteArray(argv[1]), QString::fromUtf8(argv[2]), STDOUT_FILENO);
}
