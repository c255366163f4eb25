#include "ConnectForm.h"

void DestroyConnectDialog() {}
