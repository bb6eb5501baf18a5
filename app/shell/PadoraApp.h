#pragma once

class CPadoraApp {
public:
    int Run(int argc, char** argv);
};
