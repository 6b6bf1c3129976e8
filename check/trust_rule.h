/* Whom a copy made with rights that every user's Java trusts may trust: the accounts that may
 * own or change what it reads and writes, and the rights that count as a change, written once for
 * the check, the installer's step and the package's task; platform/win32/windows_numbers.cpp
 * checks the rights against windows.h. */
#pragma once

/* SYSTEM, Administrators and TrustedInstaller; the account that copies is trusted too. */
#define SMS_TRUSTED_SIDS \
    L"S-1-5-18", L"S-1-5-32-544", L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"

/* FILE_WRITE_DATA (add a file), FILE_APPEND_DATA (add a folder), FILE_WRITE_EA,
 * FILE_DELETE_CHILD, FILE_WRITE_ATTRIBUTES, DELETE (and so rename), WRITE_DAC, WRITE_OWNER,
 * GENERIC_ALL and GENERIC_WRITE: each lets its holder change, replace or take over a file or
 * folder. */
#define SMS_CHANGE_RIGHTS \
    (0x2 | 0x4 | 0x10 | 0x40 | 0x100 | 0x10000 | 0x40000 | 0x80000 | 0x10000000 | 0x40000000)

/* What lets its holder rename or replace a folder above what the repair reads or writes:
 * DELETE, WRITE_DAC, WRITE_OWNER, GENERIC_ALL and GENERIC_WRITE. Adding a file or a folder
 * beside it, as every user may in C:\, changes nothing of the folder itself. */
#define SMS_REPLACE_RIGHTS (0x10000 | 0x40000 | 0x80000 | 0x10000000 | 0x40000000)

/* FILE_DELETE_CHILD, and GENERIC_ALL that holds it: on a folder, they let their holder remove
 * or rename anything in it. */
#define SMS_DELETE_CHILD_RIGHTS (0x40 | 0x10000000)
