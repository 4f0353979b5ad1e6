// Start-up and tear-down of the IPC controller and the asset database.
#include "app/DatabaseSeam.h"

#include "assetdb/AssetDatabase.h"
#include "assetdb/IpcController.h"
#include "assetdb/KuidGeneration.h"

#include <string>

bool OpenIpcController(std::string_view ownershipPath, bool patcher)
{
    return VLXIpcController().Open(ownershipPath, patcher);
}

void CloseIpcController()
{
    VLXIpcController().Close();
}

void OpenDatabase(std::string_view installRoot)
{
    std::string root(installRoot);
    while (root.size() > 1 && root.back() == '/')
        root.pop_back();
    VLXCreateFolderLayout(root);
    VLXOpenDatabase(root);
    VLXSetKuidBaseFolder(root);
    VLXLoadKuidSettings();
}

void CloseDatabase()
{
    VLXCloseDatabase();
}
