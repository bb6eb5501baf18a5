#include "MixFile.h"

#include <fstream>
#include <sstream>

bool CMixFile::Parse(const std::string& text, std::string& error) {
    m_entries.clear();
    std::istringstream in(text);
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        std::istringstream fields(line);
        SMixEntry entry;
        if (!(fields >> entry.strFile) || entry.strFile[0] == '#')
            continue;
        if (!(fields >> entry.nVolume >> entry.nBalance >> entry.dSpeed)) {
            error = "line " + std::to_string(lineNo) + ": expected \"file volume balance speed\"";
            return false;
        }
        if (entry.dSpeed < 0.1 || entry.dSpeed > 10.0) {
            error = "line " + std::to_string(lineNo) + ": speed must be between 0.1 and 10";
            return false;
        }
        m_entries.push_back(entry);
    }
    if (m_entries.empty()) {
        error = "the mix names no input";
        return false;
    }
    return true;
}

bool CMixFile::Load(const std::string& path, std::string& error) {
    std::ifstream file(path);
    if (!file) {
        error = "cannot read " + path;
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    return Parse(text.str(), error);
}
