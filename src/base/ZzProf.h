#pragma once
#include <windows.h>
#include <cstdio>
namespace zz {
inline double g_time[24]; inline int g_count[24];
inline const char* g_names[24] = {"SetItemCount","StatusText","Pump","SearchStarted","SearchFinished","ClearRows","Watch","Enable","ActionStates","StatusBar","Hint","Data","Focus","Walk","ReadCriteria","ListFolders","Clamp","History","Buttons","SetChangeMon","BtnClickTotal","NotifEnable","NotifDisable","CloseWatch"};
inline double Now(){ LARGE_INTEGER c,f; QueryPerformanceCounter(&c); QueryPerformanceFrequency(&f); return double(c.QuadPart)/f.QuadPart; }
struct T { int i; double s; T(int i):i(i),s(Now()){} ~T(){ g_time[i]+=Now()-s; g_count[i]++; } };
inline void Dump(){ for(int i=0;i<24;++i) if(g_count[i]) std::fprintf(stderr,"  %s: %d calls %.4f s\n", g_names[i], g_count[i], g_time[i]); for(int i=0;i<24;++i){g_time[i]=0;g_count[i]=0;} }
}
