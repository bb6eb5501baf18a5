#include "app/remote/TriggerClient.h"

#include <QStringList>

#include <cstdio>

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    return CTriggerClient::Main(args, stdout, stderr);
}
