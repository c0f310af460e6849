// The COM interfaces between the PostScript driver and its render plug-in.
//
// Each interface is an abstract class whose pure virtual methods are its vtable slots in
// order, with single inheritance only and no virtual destructor, so that the compiler lays
// out the vtable exactly as COM does (the three IUnknown slots first, each derived
// interface's slots appended). Slot numbers are noted per method.
//
// The plug-in implements IClassFactory and IPrintOemPS2 (with its bases); the driver
// implements IPrintOemDriverPS and IPrintCorePS2 and offers them to PublishDriverInterface.
#pragma once

#include "abi/ddi.h"
#include "abi/guids.h"
#include "abi/oem.h"
#include "abi/types.h"

namespace zenta::abi {

struct IUnknown {
    virtual HRESULT ZENTA_STDCALL QueryInterface(const IID& riid, void** ppvObject) = 0;  // 0
    virtual ULONG ZENTA_STDCALL AddRef() = 0;                                             // 1
    virtual ULONG ZENTA_STDCALL Release() = 0;                                            // 2

protected:
    ~IUnknown() = default;  // objects are destroyed by Release, never through the interface
};

struct IClassFactory : IUnknown {
    virtual HRESULT ZENTA_STDCALL CreateInstance(IUnknown* pUnkOuter, const IID& riid,
                                                 void** ppvObject) = 0;  // 3
    virtual HRESULT ZENTA_STDCALL LockServer(BOOL fLock) = 0;            // 4

protected:
    ~IClassFactory() = default;
};

struct IPrintOemCommon : IUnknown {
    virtual HRESULT ZENTA_STDCALL GetInfo(DWORD dwMode, PVOID pBuffer, DWORD cbSize,
                                          PDWORD pcbNeeded) = 0;                       // 3
    virtual HRESULT ZENTA_STDCALL DevMode(DWORD dwMode, OEMDMPARAM* pOemDMParam) = 0;  // 4

protected:
    ~IPrintOemCommon() = default;
};

struct IPrintOemEngine : IPrintOemCommon {
    virtual HRESULT ZENTA_STDCALL EnableDriver(DWORD dwDriverVersion, DWORD cbSize,
                                               DRVENABLEDATA* pded) = 0;  // 5
    virtual HRESULT ZENTA_STDCALL DisableDriver() = 0;                    // 6
    virtual HRESULT ZENTA_STDCALL EnablePDEV(DEVOBJ* pdevobj, PWSTR pPrinterName, ULONG cPatterns,
                                             HSURF* phsurfPatterns, ULONG cjGdiInfo, GDIINFO* pGdiInfo,
                                             ULONG cjDevInfo, DEVINFO* pDevInfo, DRVENABLEDATA* pded,
                                             PDEVOEM* pDevOem) = 0;                       // 7
    virtual HRESULT ZENTA_STDCALL DisablePDEV(DEVOBJ* pdevobj) = 0;                       // 8
    virtual HRESULT ZENTA_STDCALL ResetPDEV(DEVOBJ* pdevobjOld, DEVOBJ* pdevobjNew) = 0;  // 9

protected:
    ~IPrintOemEngine() = default;
};

struct IPrintOemPS : IPrintOemEngine {
    virtual HRESULT ZENTA_STDCALL PublishDriverInterface(IUnknown* pIUnknown) = 0;  // 10
    virtual HRESULT ZENTA_STDCALL Command(DEVOBJ* pdevobj, DWORD dwIndex, PVOID pData, DWORD cbSize,
                                          DWORD* pdwResult) = 0;  // 11

protected:
    ~IPrintOemPS() = default;
};

struct IPrintOemPS2 : IPrintOemPS {
    // The driver probes this slot at EnablePDEV with (nullptr, nullptr, 0, ...): S_OK means
    // the plug-in takes over the spooler writes, E_NOTIMPL that it does not.
    virtual HRESULT ZENTA_STDCALL WritePrinter(DEVOBJ* pdevobj, PVOID pBuf, DWORD cbBuffer,
                                               PDWORD pcbWritten) = 0;  // 12
    // S_OK for a handled adjustment type, S_FALSE for one the plug-in does not handle.
    virtual HRESULT ZENTA_STDCALL GetPDEVAdjustment(DEVOBJ* pdevobj, DWORD dwAdjustType, PVOID pBuf,
                                                    DWORD cbBuffer,
                                                    BOOL* pbAdjustmentDone) = 0;  // 13

protected:
    ~IPrintOemPS2() = default;
};

// The driver's original helper.
struct IPrintOemDriverPS : IUnknown {
    virtual HRESULT ZENTA_STDCALL DrvGetDriverSetting(PVOID pdriverobj, PCSTR Feature, PVOID pOutput,
                                                      DWORD cbSize, PDWORD pcbNeeded,
                                                      PDWORD pdwOptionsReturned) = 0;  // 3
    // Appends cbSize bytes to the print stream at the current injection point.
    virtual HRESULT ZENTA_STDCALL DrvWriteSpoolBuf(DEVOBJ* pdevobj, PVOID pBuffer, DWORD cbSize,
                                                   DWORD* pdwResult) = 0;  // 4

protected:
    ~IPrintOemDriverPS() = default;
};

// The driver's revised helper. Multi-strings (pmsz...) are NUL-separated keyword lists
// ending in an empty string.
struct IPrintCorePS2 : IUnknown {
    virtual HRESULT ZENTA_STDCALL DrvWriteSpoolBuf(DEVOBJ* pdevobj, PVOID pBuffer, DWORD cbSize,
                                                   DWORD* pdwResult) = 0;  // 3
    virtual HRESULT ZENTA_STDCALL GetOptions(DEVOBJ* pdevobj, DWORD dwFlags, PCSTR pmszFeaturesRequested,
                                             DWORD cbIn, PSTR pmszFeatureOptionBuf, DWORD cbSize,
                                             PDWORD pcbNeeded) = 0;  // 4
    virtual HRESULT ZENTA_STDCALL GetGlobalAttribute(DEVOBJ* pdevobj, DWORD dwFlags, PCSTR pszAttribute,
                                                     PDWORD pdwDataType, PBYTE pbData, DWORD cbSize,
                                                     PDWORD pcbNeeded) = 0;  // 5
    virtual HRESULT ZENTA_STDCALL GetFeatureAttribute(DEVOBJ* pdevobj, DWORD dwFlags, PCSTR pszFeatureKeyword,
                                                      PCSTR pszAttribute, PDWORD pdwDataType, PBYTE pbData,
                                                      DWORD cbSize,
                                                      PDWORD pcbNeeded) = 0;  // 6
    // A size query (too small a buffer) answers E_OUTOFMEMORY with *pcbNeeded set.
    virtual HRESULT ZENTA_STDCALL GetOptionAttribute(DEVOBJ* pdevobj, DWORD dwFlags, PCSTR pszFeatureKeyword,
                                                     PCSTR pszOptionKeyword, PCSTR pszAttribute,
                                                     PDWORD pdwDataType, PBYTE pbData, DWORD cbSize,
                                                     PDWORD pcbNeeded) = 0;  // 7
    virtual HRESULT ZENTA_STDCALL EnumFeatures(DEVOBJ* pdevobj, DWORD dwFlags, PSTR pmszFeatureList,
                                               DWORD cbSize,
                                               PDWORD pcbNeeded) = 0;  // 8
    virtual HRESULT ZENTA_STDCALL EnumOptions(DEVOBJ* pdevobj, DWORD dwFlags, PCSTR pszFeatureKeyword,
                                              PSTR pmszOptionList, DWORD cbSize, PDWORD pcbNeeded) = 0;  // 9

protected:
    ~IPrintCorePS2() = default;
};

}  // namespace zenta::abi
