// ITypeInfo for one entry of a TypeLibObject: a dispinterface (its
// properties as VAR_DISPATCH variables, its other members as FUNC_DISPATCH
// functions, IDispatch as its one base) or a class with its interfaces.
#pragma once

#include "platform/com/ComObject.h"
#include "platform/com/TypeLibObject.h"

class TypeLibTypeInfo final : public ComObject<TypeLibTypeInfo, ITypeInfo> {
 public:
  // Holds a count on lib.
  static ComPtr<TypeLibTypeInfo> Create(TypeLibObject* lib, UINT index);

  HRESULT GetTypeAttr(TYPEATTR** ppTypeAttr) override;
  HRESULT GetTypeComp(ITypeComp** ppTComp) override;
  HRESULT GetFuncDesc(UINT index, FUNCDESC** ppFuncDesc) override;
  HRESULT GetVarDesc(UINT index, VARDESC** ppVarDesc) override;
  HRESULT GetNames(MEMBERID memid, BSTR* rgBstrNames, UINT cMaxNames, UINT* pcNames) override;
  HRESULT GetRefTypeOfImplType(UINT index, HREFTYPE* pRefType) override;
  HRESULT GetImplTypeFlags(UINT index, INT* pImplTypeFlags) override;
  HRESULT GetIDsOfNames(LPOLESTR* rgszNames, UINT cNames, MEMBERID* pMemId) override;
  HRESULT Invoke(void* pvInstance, MEMBERID memid, WORD wFlags, DISPPARAMS* pDispParams, VARIANT* pVarResult,
                 EXCEPINFO* pExcepInfo, UINT* puArgErr) override;
  HRESULT GetDocumentation(MEMBERID memid, BSTR* pBstrName, BSTR* pBstrDocString, DWORD* pdwHelpContext,
                           BSTR* pBstrHelpFile) override;
  HRESULT GetDllEntry(MEMBERID memid, INVOKEKIND invKind, BSTR* pBstrDllName, BSTR* pBstrName,
                      WORD* pwOrdinal) override;
  HRESULT GetRefTypeInfo(HREFTYPE hRefType, ITypeInfo** ppTInfo) override;
  HRESULT AddressOfMember(MEMBERID memid, INVOKEKIND invKind, void** ppv) override;
  HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObj) override;
  HRESULT GetMops(MEMBERID memid, BSTR* pBstrMops) override;
  HRESULT GetContainingTypeLib(ITypeLib** ppTLib, UINT* pIndex) override;
  void ReleaseTypeAttr(TYPEATTR* pTypeAttr) override;
  void ReleaseFuncDesc(FUNCDESC* pFuncDesc) override;
  void ReleaseVarDesc(VARDESC* pVarDesc) override;

 private:
  friend struct ::ComAccess;
  TypeLibTypeInfo(TypeLibObject* lib, UINT index) : lib_(lib), index_(index) {}
  ~TypeLibTypeInfo() override = default;

  const TypeLibData::Entry& Entry() const { return lib_->Data().entries[index_]; }
  // The index-th member of the function (method section) or variable
  // (property section) list, or null.
  const DispMember* NthMember(UINT index, bool properties) const;
  // Fills td for a member's type; a reference to an interface of this
  // library uses target for the pointed-to description.
  void DescribeType(const DispMember& m, VARTYPE vt, TYPEDESC& td, TYPEDESC& target) const;
  ComPtr<TypeLibObject> lib_;
  UINT index_;
};
