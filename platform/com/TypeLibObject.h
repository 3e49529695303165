// ITypeLib over a checked, immutable TypeLibData. Type infos are made on
// request and hold the library; the library holds none of them.
#pragma once

#include <memory>

#include "platform/com/ComObject.h"
#include "platform/com/TypeLibData.h"

class TypeLibObject final : public ComObject<TypeLibObject, ITypeLib> {
 public:
  // HREFTYPE of IDispatch in the standard automation library, the base of
  // every dispinterface. Other HREFTYPEs are entry indices.
  static constexpr HREFTYPE kHrefIDispatch = 0x80000000u;

  static ComPtr<TypeLibObject> Create(std::shared_ptr<const TypeLibData> data);
  // The standard automation library: IDispatch alone, for references to it.
  static ComPtr<TypeLibObject> StdOle();

  const TypeLibData& Data() const { return *data_; }
  // The entry as a type info, one count for the caller.
  HRESULT MakeTypeInfo(UINT index, ITypeInfo** ppTInfo);

  UINT GetTypeInfoCount() override;
  HRESULT GetTypeInfo(UINT index, ITypeInfo** ppTInfo) override;
  HRESULT GetTypeInfoType(UINT index, TYPEKIND* pTKind) override;
  HRESULT GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** ppTinfo) override;
  HRESULT GetLibAttr(TLIBATTR** ppTLibAttr) override;
  HRESULT GetTypeComp(ITypeComp** ppTComp) override;
  HRESULT GetDocumentation(INT index, BSTR* pBstrName, BSTR* pBstrDocString, DWORD* pdwHelpContext,
                           BSTR* pBstrHelpFile) override;
  HRESULT IsName(LPOLESTR szNameBuf, ULONG lHashVal, BOOL* pfName) override;
  HRESULT FindName(LPOLESTR szNameBuf, ULONG lHashVal, ITypeInfo** ppTInfo, MEMBERID* rgMemId,
                   USHORT* pcFound) override;
  void ReleaseTLibAttr(TLIBATTR* pTLibAttr) override;

 private:
  explicit TypeLibObject(std::shared_ptr<const TypeLibData> data) : data_(std::move(data)) {}
  friend struct ::ComAccess;
  ~TypeLibObject() override = default;
  std::shared_ptr<const TypeLibData> data_;
};
