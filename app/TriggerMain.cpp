#include "app/remote/TriggerClient.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    return CTriggerClient::Main(std::vector<std::string>(argv + 1, argv + argc), stdout, stderr);
}
