// The order of every exported class's virtual operations, which clients
// compiled against the headers depend on. Each list is the documented order;
// slot 0 is destroy() and slots 1 and 2 hold the virtual destructor (its
// complete and deleting forms), so the class's own operations start at 3.
#include <vector>

#include <gtest/gtest.h>

#include "quor/quor.h"
#include "support/vtable_slots.h"

namespace {

using namespace Quor;
using quor_test::vtableSlot;

// The slots of the operations listed after the destructor, in the given order.
void expectOrder(const std::vector<long>& slots) {
  for (std::size_t i = 0; i < slots.size(); ++i) {
    EXPECT_EQ(slots[i], static_cast<long>(i) + 3) << "operation " << i << " of the list";
  }
}

template <class C>
void expectDestroyFirst() {
  EXPECT_EQ(vtableSlot(&C::destroy), 0);
}

template <class T>
void expectVectorOrder() {
  using V = Vector<T>;
  expectDestroyFirst<V>();
  expectOrder({
      vtableSlot(static_cast<void (V::*)(const V&)>(&V::push_back)),
      vtableSlot(static_cast<void (V::*)(const T*)>(&V::push_back)),
      vtableSlot(static_cast<void (V::*)(const T&)>(&V::push_back)),
      vtableSlot(&V::pop_back),
      vtableSlot(&V::clear),
      vtableSlot(&V::operator=),
      vtableSlot(&V::operator+=),
      vtableSlot(&V::operator[]),
      vtableSlot(&V::front),
      vtableSlot(&V::back),
      vtableSlot(&V::capacity),
      vtableSlot(&V::size),
      vtableSlot(&V::empty),
      vtableSlot(&V::at),
  });
}

TEST(VtableOrderTest, ClassRootAndTString) {
  EXPECT_EQ(vtableSlot(&BaseDLLInterface::destroy), 0);
  expectDestroyFirst<BaseDLLObjectImpl<BaseDLLInterface>>();
  expectDestroyFirst<TString>();
}

TEST(VtableOrderTest, EveryVectorInstantiation) {
  expectVectorOrder<TString>();
  expectVectorOrder<Criteria>();
  expectVectorOrder<Parameter>();
  expectVectorOrder<ConfigurationId>();
  expectVectorOrder<Entry>();
  expectVectorOrder<EntryTemplate>();
  expectVectorOrder<CredentialId>();
  expectVectorOrder<CredentialElement>();
  expectVectorOrder<Credential>();
  expectVectorOrder<TransactionId>();
  expectVectorOrder<ExternalOperation>();
}

// Identifier's order, as seen through class C.
template <class C>
std::vector<long> identifierOrder() {
  return {
      vtableSlot(static_cast<Identifier& (Identifier::*)(const Identifier&)>(&C::operator=)),
      vtableSlot(static_cast<C* (C::*)() const>(&C::clone)),
      vtableSlot(&C::getId),
      vtableSlot(&C::getType),
      vtableSlot(&C::setId),
      vtableSlot(&C::setType),
  };
}

template <class C>
void expectIdentifierSubclassOrder() {
  expectDestroyFirst<C>();
  std::vector<long> slots = identifierOrder<C>();
  slots.push_back(vtableSlot(static_cast<C& (C::*)(const C&)>(&C::operator=)));
  expectOrder(slots);
}

TEST(VtableOrderTest, Identifiers) {
  expectDestroyFirst<Identifier>();
  expectOrder(identifierOrder<Identifier>());
  expectIdentifierSubclassOrder<ConfigurationId>();
  expectIdentifierSubclassOrder<CredentialId>();
  expectIdentifierSubclassOrder<TransactionId>();
}

TEST(VtableOrderTest, Parameter) {
  using P = Parameter;
  expectDestroyFirst<P>();
  expectOrder({
      vtableSlot(&P::operator=),
      vtableSlot(&P::clone),
      vtableSlot(&P::getEncoding),
      vtableSlot(&P::getEncodingEnum),
      vtableSlot(&P::getId),
      vtableSlot(&P::getType),
      vtableSlot(&P::getTypeEnum),
      vtableSlot(&P::getValue),
      vtableSlot(static_cast<void (P::*)(P::ParameterEncoding)>(&P::setEncoding)),
      vtableSlot(static_cast<void (P::*)(TString)>(&P::setEncoding)),
      vtableSlot(&P::setId),
      vtableSlot(static_cast<void (P::*)(P::ParameterType)>(&P::setType)),
      vtableSlot(static_cast<void (P::*)(TString)>(&P::setType)),
      vtableSlot(&P::setValue),
  });
}

template <class C>
std::vector<long> managedOrder() {
  return {
      vtableSlot(static_cast<Managed& (Managed::*)(const Managed&)>(&C::operator=)),
      vtableSlot(static_cast<C* (C::*)() const>(&C::clone)),
      vtableSlot(&C::getState),
      vtableSlot(&C::getModified),
      vtableSlot(&C::getCreated),
      vtableSlot(&C::setState),
      vtableSlot(&C::setModified),
      vtableSlot(&C::setCreated),
  };
}

TEST(VtableOrderTest, ManagedAndCredential) {
  expectDestroyFirst<Managed>();
  expectOrder(managedOrder<Managed>());

  using C = Credential;
  expectDestroyFirst<C>();
  std::vector<long> slots = managedOrder<C>();
  for (long slot : {
           vtableSlot(static_cast<C& (C::*)(const C&)>(&C::operator=)),
           vtableSlot(&C::setDescription),
           vtableSlot(&C::getDescription),
           vtableSlot(&C::getCredentialElements),
           vtableSlot(&C::getId),
           vtableSlot(&C::setCredentialElements),
           vtableSlot(&C::setId),
           vtableSlot(&C::getProfileId),
           vtableSlot(&C::setProfileId),
       }) {
    slots.push_back(slot);
  }
  expectOrder(slots);
}

TEST(VtableOrderTest, Criteria) {
  using C = Criteria;
  expectDestroyFirst<C>();
  expectOrder({
      vtableSlot(&C::operator=),
      vtableSlot(&C::clone),
      vtableSlot(&C::getId),
      vtableSlot(&C::getComparison),
      vtableSlot(&C::getValue),
      vtableSlot(&C::setId),
      vtableSlot(&C::setComparison),
      vtableSlot(&C::setValue),
  });
}

template <class C>
std::vector<long> entryOrder() {
  return {
      vtableSlot(static_cast<Entry& (Entry::*)(const Entry&)>(&C::operator=)),
      vtableSlot(static_cast<C* (C::*)() const>(&C::clone)),
      vtableSlot(&C::isDynamic),
      vtableSlot(&C::setDynamic),
      vtableSlot(&C::getKey),
      vtableSlot(&C::setKey),
      vtableSlot(&C::getLabel),
      vtableSlot(&C::setLabel),
      vtableSlot(&C::getValue),
      vtableSlot(&C::setValue),
      vtableSlot(&C::isSensitive),
      vtableSlot(&C::setSensitive),
  };
}

TEST(VtableOrderTest, EntryAndEntryTemplate) {
  expectDestroyFirst<Entry>();
  expectOrder(entryOrder<Entry>());

  using T = EntryTemplate;
  expectDestroyFirst<T>();
  std::vector<long> slots = entryOrder<T>();
  for (long slot : {
           vtableSlot(static_cast<T& (T::*)(const T&)>(&T::operator=)),
           vtableSlot(&T::getEntryCriteria),
           vtableSlot(&T::setEntryCriteria),
           vtableSlot(&T::isCriteriaLogicalAND),
           vtableSlot(&T::setCriteriaLogicalAND),
           vtableSlot(&T::isReadOnly),
           vtableSlot(&T::setReadOnly),
       }) {
    slots.push_back(slot);
  }
  expectOrder(slots);
}

TEST(VtableOrderTest, CredentialElement) {
  using E = CredentialElement;
  expectDestroyFirst<E>();
  expectOrder({
      vtableSlot(&E::operator=),
      vtableSlot(&E::clone),
      vtableSlot(&E::getId),
      vtableSlot(&E::getParentCredentialId),
      vtableSlot(&E::setParentCredentialId),
      vtableSlot(&E::setId),
      vtableSlot(&E::isReference),
      vtableSlot(&E::setIsReference),
      vtableSlot(&E::getType),
      vtableSlot(&E::setType),
      vtableSlot(&E::getEncoding),
      vtableSlot(&E::getValue),
      vtableSlot(&E::setEncoding),
      vtableSlot(&E::setValue),
      vtableSlot(&E::isEncrypted),
      vtableSlot(&E::setEncrypted),
  });
}

TEST(VtableOrderTest, ExternalOperation) {
  using O = ExternalOperation;
  expectDestroyFirst<O>();
  expectOrder({
      vtableSlot(&O::operator=),
      vtableSlot(&O::clone),
      vtableSlot(&O::getProfileId),
      vtableSlot(&O::setProfileId),
      vtableSlot(&O::getResponseParameters),
      vtableSlot(&O::setResponseParameters),
      vtableSlot(&O::getTransactionId),
      vtableSlot(&O::setTransactionId),
      vtableSlot(&O::getScript),
      vtableSlot(&O::setScript),
      vtableSlot(&O::getParameters),
      vtableSlot(&O::setParameters),
      vtableSlot(&O::getProviderContextId),
      vtableSlot(&O::setProviderContextId),
      vtableSlot(&O::getType),
      vtableSlot(&O::setType),
      vtableSlot(&O::getExternalOperationId),
      vtableSlot(&O::setExternalOperationId),
  });
}

// Manager and ManagerInstance have no virtual destructor: their operations
// follow destroy() directly, or stand alone.
TEST(VtableOrderTest, ManagerClasses) {
  expectDestroyFirst<ManagerFactory>();
  expectDestroyFirst<ManagerFactoryLookupService>();
  EXPECT_EQ(vtableSlot(&Manager::destroy), 0);
  EXPECT_EQ(vtableSlot(&Manager::execute), 1);
  EXPECT_EQ(vtableSlot(&ManagerInstance::createManager), 0);
}

}  // namespace
