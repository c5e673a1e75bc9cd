// keyctl's commands; each returns its exit code (exit_codes.h).
#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

#include "arguments.h"
#include "targets.h"

int ListReaders(const Arguments& args);
int PrintReadersPath(const Arguments& args);
int AddReader(const Arguments& args);
int RemoveReader(const Arguments& args);

int CreateKey(const Arguments& args);
int InsertKey(const Arguments& args);
int RemoveKey(const Arguments& args);
int ShowKey(const Arguments& args);

int SetPin(const Arguments& args);
int ChangePin(const Arguments& args);
int RemovePin(const Arguments& args);
int BlockKey(const Arguments& args);
int UnblockKey(const Arguments& args);

int ReadApplicationData(const Arguments& args);
int WriteApplicationData(const Arguments& args);

int ListProfiles(const Arguments& args);
int AddProfile(const Arguments& args);
int RemoveProfile(const Arguments& args);

// An application's whole data on an open key; exit code.
int ReadKeyData(const KeySession& session, DWORD appId, std::vector<uint8_t>& data);
int ReplaceKeyData(const KeySession& session, DWORD appId, const std::vector<uint8_t>& data);
