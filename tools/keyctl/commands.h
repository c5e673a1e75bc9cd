// keyctl's commands; each returns its exit code (exit_codes.h).
#pragma once
#include "arguments.h"

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
