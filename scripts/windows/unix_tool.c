/* A Windows stand-in, under Wine, for a Linux tool the tests run (pdftotext, pdffonts): named after
 * the tool (pdftotext.exe), it runs /usr/bin/<tool> with the same arguments, Windows paths among them
 * turned into the Linux paths Wine maps them to, and passes on its output and exit status. Wine starts
 * Linux programs but does not connect them to a Windows program's pipes, so the tool writes to files
 * that are copied to this program's own output. Built and used by scripts/windows/test.sh only. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>
#include <windows.h>

typedef char*(CDECL* UnixFileName)(LPCWSTR);

static UnixFileName unixFileName;

/* A Windows path (C:\... or C:/...) as Wine's Linux path; anything else as UTF-8. */
static char* unixArgument(const wchar_t* arg) {
    if (iswalpha(arg[0]) && arg[1] == L':' && (arg[2] == L'\\' || arg[2] == L'/')) {
        char* path = unixFileName(arg);
        if (path) {
            return path;
        }
    }
    int size = WideCharToMultiByte(CP_UTF8, 0, arg, -1, NULL, 0, NULL, NULL);
    char* text = malloc(size);
    WideCharToMultiByte(CP_UTF8, 0, arg, -1, text, size, NULL, NULL);
    return text;
}

/* Appends a word to a shell script, single-quoted. */
static void quote(FILE* script, const char* word) {
    fputc('\'', script);
    for (; *word; ++word) {
        if (*word == '\'') {
            fputs("'\\''", script);
        } else {
            fputc(*word, script);
        }
    }
    fputc('\'', script);
}

static int copyTo(const char* unixPath, HANDLE to) {
    wchar_t name[MAX_PATH + 4] = L"Z:";
    MultiByteToWideChar(CP_UTF8, 0, unixPath, -1, name + 2, MAX_PATH);
    for (wchar_t* c = name; *c; ++c) {
        if (*c == L'/') {
            *c = L'\\';
        }
    }
    FILE* from = _wfopen(name, L"rb");
    if (!from) {
        return -1;
    }
    char buffer[65536];
    size_t n;
    DWORD written;
    while ((n = fread(buffer, 1, sizeof buffer, from)) > 0) {
        WriteFile(to, buffer, (DWORD)n, &written, NULL);
    }
    fclose(from);
    return 0;
}

int main(void) {
    unixFileName = (UnixFileName)(void (*)(void))GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name");
    if (!unixFileName) {
        fputs("this stand-in runs under Wine only\n", stderr);
        return 127;
    }
    int argc;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    /* The tool is this program's name without folder and .exe. */
    wchar_t tool[MAX_PATH];
    const wchar_t* base = argv[0];
    for (const wchar_t* c = argv[0]; *c; ++c) {
        if (*c == L'\\' || *c == L'/') {
            base = c + 1;
        }
    }
    wcsncpy(tool, base, MAX_PATH - 1);
    tool[MAX_PATH - 1] = 0;
    wchar_t* dot = wcsrchr(tool, L'.');
    if (dot && _wcsicmp(dot, L".exe") == 0) {
        *dot = 0;
    }

    wchar_t folder[MAX_PATH], scriptName[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    GetTempFileNameW(folder, L"ut", 0, scriptName);
    char* script = unixFileName(scriptName);
    char out[4200], err[4200], code[4200];
    snprintf(out, sizeof out, "%s.out", script);
    snprintf(err, sizeof err, "%s.err", script);
    snprintf(code, sizeof code, "%s.code", script);

    FILE* file = _wfopen(scriptName, L"wb");
    fputs("/usr/bin/", file);
    char* name = unixArgument(tool);
    fputs(name, file);
    for (int i = 1; i < argc; ++i) {
        fputc(' ', file);
        quote(file, unixArgument(argv[i]));
    }
    fputs(" >", file);
    quote(file, out);
    fputs(" 2>", file);
    quote(file, err);
    fputs("\necho $? >", file);
    quote(file, code);
    fputc('\n', file);
    fclose(file);

    wchar_t command[MAX_PATH * 2];
    wchar_t scriptUnix[MAX_PATH];
    MultiByteToWideChar(CP_UTF8, 0, script, -1, scriptUnix, MAX_PATH);
    swprintf(command, MAX_PATH * 2, L"Z:\\bin\\sh \"%ls\"", scriptUnix);
    STARTUPINFOW startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessW(NULL, command, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
        fprintf(stderr, "cannot start /bin/sh: error %lu\n", GetLastError());
        return 127;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    /* The status file is written last: wait for it in case the end was seen early. */
    int status = 127;
    char codePath[4300];
    snprintf(codePath, sizeof codePath, "Z:%s", code);
    for (int tries = 0; tries < 100; ++tries) {
        FILE* c = fopen(codePath, "r");
        if (c && fscanf(c, "%d", &status) == 1) {
            fclose(c);
            break;
        }
        if (c) {
            fclose(c);
        }
        Sleep(50);
    }
    copyTo(out, GetStdHandle(STD_OUTPUT_HANDLE));
    copyTo(err, GetStdHandle(STD_ERROR_HANDLE));
    DeleteFileW(scriptName);
    const char* leftovers[] = {out, err, code};
    for (int i = 0; i < 3; ++i) {
        char path[4300];
        snprintf(path, sizeof path, "Z:%s", leftovers[i]);
        DeleteFileA(path);
    }
    return status;
}
