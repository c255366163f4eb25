#pragma once
// Single-instance guard: one copy of the client per user session.
void RunInstanceGuard();
void ReleaseInstanceMark();
