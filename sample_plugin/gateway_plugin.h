/*
 * The plug-in contract of the gateway.
 *
 * A plug-in is a module (a DLL on Windows, a shared object named *.dll on
 * Linux) in the directory "plugin" beside the gateway. It exports one
 * function, named 处理收到文本消息 -- in the export table that name is its 16
 * bytes in code page 936 on every system. Define the function with
 * GATEWAY_PLUGIN_HANDLER:
 *
 *     #include "gateway_plugin.h"
 *     GATEWAY_PLUGIN_HANDLER(const char* from_user, const char* to_user, const char* content)
 *     {
 *         ...
 *         return reply;  // UTF-8 reply XML containing "<xml>", or NULL
 *     }
 *
 * The three arguments are NUL-terminated texts in code page 936, valid only
 * during the call. The result belongs to the plug-in and must stay valid
 * until its next call; the gateway copies it at once and never frees it.
 * The gateway never runs two calls into one plug-in at the same time.
 */
#ifndef GATEWAY_PLUGIN_H
#define GATEWAY_PLUGIN_H

/* 处理收到文本消息 in code page 936. */
#define GATEWAY_PLUGIN_EXPORT_NAME \
    "\xB4\xA6\xC0\xED\xCA\xD5\xB5\xBD\xCE\xC4\xB1\xBE\xCF\xFB\xCF\xA2"

#ifdef __cplusplus
#define GATEWAY_PLUGIN_EXTERN_C extern "C"
#else
#define GATEWAY_PLUGIN_EXTERN_C
#endif

#if defined(_WIN32)
#define GATEWAY_PLUGIN_CALL __stdcall
#if defined(_MSC_VER)
/* Exported under its code-page-936 name through the linker; 32-bit stdcall
   names carry "_" and "@12". */
#if defined(_M_IX86)
#pragma comment(linker, "/EXPORT:" GATEWAY_PLUGIN_EXPORT_NAME "=_gateway_plugin_handle_text@12")
#else
#pragma comment(linker, "/EXPORT:" GATEWAY_PLUGIN_EXPORT_NAME "=gateway_plugin_handle_text")
#endif
#define GATEWAY_PLUGIN_HANDLER(a, b, c) \
    GATEWAY_PLUGIN_EXTERN_C const char* GATEWAY_PLUGIN_CALL gateway_plugin_handle_text(a, b, c)
#else
/* MinGW: the assembler name is the export name. */
#define GATEWAY_PLUGIN_HANDLER(a, b, c)                                                              \
    GATEWAY_PLUGIN_EXTERN_C __declspec(dllexport) const char* GATEWAY_PLUGIN_CALL                    \
    gateway_plugin_handle_text(a, b, c) __asm__(GATEWAY_PLUGIN_EXPORT_NAME);                         \
    GATEWAY_PLUGIN_EXTERN_C __declspec(dllexport) const char* GATEWAY_PLUGIN_CALL                    \
    gateway_plugin_handle_text(a, b, c)
#endif
#else
#define GATEWAY_PLUGIN_CALL
#define GATEWAY_PLUGIN_HANDLER(a, b, c)                                                              \
    GATEWAY_PLUGIN_EXTERN_C __attribute__((visibility("default"))) const char*                       \
    gateway_plugin_handle_text(a, b, c) __asm__(GATEWAY_PLUGIN_EXPORT_NAME);                         \
    GATEWAY_PLUGIN_EXTERN_C __attribute__((visibility("default"))) const char*                       \
    gateway_plugin_handle_text(a, b, c)
#endif

/* The type of the export, for hosts. */
typedef const char*(GATEWAY_PLUGIN_CALL* gateway_plugin_handler)(const char* from_user, const char* to_user,
                                                                 const char* content);

#endif
