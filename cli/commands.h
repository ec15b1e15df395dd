#pragma once
// The subcommands of sorvane-cli. Each lives in its own file and receives the
// arguments after its name (argv[0] is the subcommand's name). It returns the
// process exit status: 0 on success, 1 when the operation failed, 2 on a
// usage error; some commands say more with 3 and 4 (see their help).

namespace sorvane::cli {

struct TCommand {
    const char* Name;
    const char* Summary;
    int (*Run)(int argc, char** argv);
};

int RunDevices(int argc, char** argv);
int RunInfo(int argc, char** argv);
int RunErase(int argc, char** argv);  // cmd_erase.cpp
int RunVdrive(int argc, char** argv);  // cmd_vdrive.cpp
int RunSessions(int argc, char** argv);  // cmd_sessions.cpp
int RunExtract(int argc, char** argv);   // cmd_extract.cpp
int RunMakeIso(int argc, char** argv);  // cmd_make_iso.cpp
int RunBurn(int argc, char** argv);       // cmd_burn.cpp
int RunContinue(int argc, char** argv);   // cmd_continue.cpp
int RunBurnImage(int argc, char** argv);  // cmd_burn_image.cpp
int RunClose(int argc, char** argv);      // cmd_close.cpp
int RunVerify(int argc, char** argv);     // cmd_verify.cpp

}  // namespace sorvane::cli
