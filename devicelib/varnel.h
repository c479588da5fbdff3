/* Varnel: finds the LED exam board (or any USB HID device) by its vendor and product id among
 * the HID interfaces present, opens it, reads its capabilities, sends it feature reports and
 * releases it. One device at a time; all calls from one thread, none overlapping another.
 *
 * The usual sequence, as the Orlanek controller runs it once a second:
 *   if (OpenUsbDevice(0x1234, 0x6789) == -1) { OutDataCtrl(byte, 0x00); ... }
 *   CloseUsbDevice();
 *
 * Member indices count the HID interfaces present from 0, in the platform's order; each call
 * takes a fresh look, so an index holds only while no device comes or goes. Ids are 16-bit
 * values compared as signed 16-bit integers: 0x8000 and above pass as negative numbers.
 * Truth values are -1 (true) and 0 (false). No function reports an error other than through
 * its result.
 *
 * Session log. When the environment variable VARNEL_SESSION_LOG names a file, the library
 * appends to it one JSON line for every feature report it hands to the system and one for each
 * change in the result of an open (OpenUsbDevice or OpenDevice; a session starts with the board
 * away), "ms" counted from the log's first line -- the form station-check reads:
 *   {"ms":0,"event":"plugged"}
 *   {"ms":1000,"report":[0,3,0,0,0,0,0,0,0],"length":9}
 *   {"ms":5000,"event":"unplugged"}
 * A report the system refused (the board was pulled out after the open) has "failed" in place
 * of "report". Each line is one write to the file opened for appending, so a program that is
 * killed leaves whole lines. The variable is read once, at the first open or report. Unset or
 * empty, no file is touched; a file that cannot be opened or written changes nothing that the
 * functions do or return. On Linux a pipe or socket is not written to at all.
 *
 * On Linux the interfaces are the hidraw nodes (/dev/hidraw*) in increasing minor number; a
 * node this user may not open is no match. Returned texts stop at their first NUL character.
 *
 * On Windows the library is Varnel.dll (module name Varnel_DLL.dll), its functions stdcall
 * and exported by their plain names at ordinals 1 to 7 in the order below. Numbers by reference
 * are OLE Automation VARIANTs: any numeric subtype, also by reference, numeric text, and
 * variants referring to variants are accepted. A VARIANT that holds no number (empty, null, an
 * object, text that is not numeric, a value beyond 32 bits) stands for no interface: FindVidPid
 * returns the empty text and OpenDevice returns 0, without looking at the interfaces. Texts are
 * BSTRs with their full length (NUL characters included); the empty text is a null BSTR; the
 * caller frees them with SysFreeString. Of a by-value slot only the low 16 bits (ids) or the low
 * 8 bits (bytes) are read.
 */
#ifndef VARNEL_H
#define VARNEL_H

#include <stdint.h>
#ifdef _WIN32
#include <windows.h>
/* after windows.h, whose types it needs */
#include <oleauto.h>
#endif

#ifdef __cplusplus
extern "C" {
#endif

#ifdef _WIN32

void __stdcall CloseUsbDevice(void);
BSTR __stdcall FindHidDevice(void);
BSTR __stdcall FindVidPid(const VARIANT* index);
void __stdcall GetDeviceCapabilities(void);
int16_t __stdcall OpenDevice(const VARIANT* index, const VARIANT* vendor, const VARIANT* product);
int16_t __stdcall OpenUsbDevice(uint32_t vendor, uint32_t product);
void __stdcall OutDataCtrl(uint32_t data, uint32_t ctrl);

#else

/* Releases the open device, the last set of interfaces and the device's preparsed data, in
 * that order. With nothing held (or called twice in a row) it does nothing. */
void CloseUsbDevice(void);

/* The number of HID interfaces present among member indices 0 to 127, as decimal text ("0"
 * when there are none). Allocated with malloc; the caller frees it with free(). */
char* FindHidDevice(void);

/* The id text of the interface at *index: four characters after "vid_" in its device path,
 * then four after "pid_" ("0000" for a missing marker), letter case as in the path; fewer when
 * a marker stands at the end of the path. NULL (the empty text) when there is no interface at
 * that index. Allocated with malloc; the caller frees it with free(). */
char* FindVidPid(const int32_t* index);

/* Reads the preparsed data and capabilities of the open device; OpenDevice calls it on
 * success. Without an open device it does nothing. */
void GetDeviceCapabilities(void);

/* Opens the interface at *index and checks the ids the device itself reports; while they
 * differ (or it cannot be opened) walks on to the following indices. Returns -1 and leaves the
 * device open with its capabilities read on a match; 0 when the interfaces run out. */
int16_t OpenDevice(const int32_t* index, const int16_t* vendor, const int16_t* product);

/* Finds the first interface among indices 0 to 127 whose device path carries these ids and
 * opens it with OpenDevice. -1 when the device was found and opened, else 0. Call
 * CloseUsbDevice when done. */
int16_t OpenUsbDevice(int16_t vendor, int16_t product);

/* Sends one feature report to the open device: report ID 0, data, ctrl, then zero bytes, with
 * the device's feature report length. Without an open device it sends nothing. */
void OutDataCtrl(uint8_t data, uint8_t ctrl);

#endif /* _WIN32 */

#ifdef __cplusplus
}
#endif

#endif /* VARNEL_H */
