#pragma once
// The server address dialog.
void DestroyConnectDialog();
