#include "fs/FolderWalk.h"

std::vector<FCString> LeadingFolders(const char* path) {
    std::vector<FCString> folders;
    FCString rest(path != nullptr ? path : "");
    rest.cursor = const_cast<char*>(rest.text());
    FCString prefix, component;
    if (rest.text()[0] == '\\' && rest.text()[1] == '\\') {
        FCString server, share;
        if (rest.nextToken(server, "\\", true) == nullptr || rest.nextToken(share, "\\", true) == nullptr) return folders;
        prefix.assignFrom("\\\\");
        prefix.append(server);
        prefix.append(share);
        folders.push_back(prefix);
    }
    while (rest.nextToken(component, "\\", true) != nullptr) {
        prefix.append(component);
        folders.push_back(prefix);
    }
    return folders;
}

bool FindDeepestExistingFolder(const char* path, FCString& folder) {
    bool any = false;
    for (const FCString& prefix : LeadingFolders(path)) {
        if (!pathExists(prefix.text())) break;
        folder.assignFrom(prefix);
        any = true;
    }
    return any;
}
