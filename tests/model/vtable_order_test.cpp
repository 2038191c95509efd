// The order of every exported class's virtual operations, which clients
// compiled against the headers depend on. Each list is the declared order;
// slot 0 is destroy() and slots 1 and 2 hold the virtual destructor (its
// complete and deleting forms), so the class's own operations start at 3.
#include <typeinfo>
#include <vector>

#include <gtest/gtest.h>

#include "quor/quor.h"
#include "support/vtable_slots.h"

using namespace Quor;
using quor_test::vtableSlot;

// Expects destroy() in slot 0 and `operations` in the slots from 3 on, in the given order.
template <class C, class... M>
void expectOrder(M... operations) {
  EXPECT_EQ(vtableSlot(&C::destroy), 0) << typeid(C).name();
  long slot = 3;
  for (long actual : std::vector<long>{vtableSlot(operations)...})
    EXPECT_EQ(actual, slot++) << typeid(C).name();
}

// C's copy assignment as declared by class B, and C's clone().
template <class C, class B = C>
auto assign() {
  return static_cast<B& (B::*)(const B&)>(&C::operator=);
}
template <class C>
auto clone() {
  return static_cast<C* (C::*)() const>(&C::clone);
}

template <class T, class... Rest>
void expectVectorOrders() {
  using V = Vector<T>;
  expectOrder<V>(static_cast<void (V::*)(const V&)>(&V::push_back),
                 static_cast<void (V::*)(const T*)>(&V::push_back),
                 static_cast<void (V::*)(const T&)>(&V::push_back), &V::pop_back, &V::clear,
                 &V::operator=, &V::operator+=, &V::operator[], &V::front, &V::back, &V::capacity,
                 &V::size, &V::empty, &V::at);
  if constexpr (sizeof...(Rest) > 0) expectVectorOrders<Rest...>();
}

// The operations that C inherits from Identifier, Managed or Entry, followed by C's own.
template <class C, class... M>
void expectIdentifierOrder(M... own) {
  expectOrder<C>(assign<C, Identifier>(), clone<C>(), &C::getId, &C::getType, &C::setId,
                 &C::setType, own...);
}
template <class C, class... M>
void expectManagedOrder(M... own) {
  expectOrder<C>(assign<C, Managed>(), clone<C>(), &C::getState, &C::getModified, &C::getCreated,
                 &C::setState, &C::setModified, &C::setCreated, own...);
}
template <class C, class... M>
void expectEntryOrder(M... own) {
  expectOrder<C>(assign<C, Entry>(), clone<C>(), &C::isDynamic, &C::setDynamic, &C::getKey,
                 &C::setKey, &C::getLabel, &C::setLabel, &C::getValue, &C::setValue,
                 &C::isSensitive, &C::setSensitive, own...);
}

TEST(VtableOrderTest, ClassRootTStringAndEveryVectorInstantiation) {
  expectOrder<BaseDLLInterface>();
  expectOrder<BaseDLLObjectImpl<BaseDLLInterface>>();
  expectOrder<TString>();
  expectVectorOrders<TString, Criteria, Parameter, ConfigurationId, Entry, EntryTemplate,
                     CredentialId, CredentialElement, Credential, TransactionId,
                     ExternalOperation>();
}

TEST(VtableOrderTest, ValueClasses) {
  expectIdentifierOrder<Identifier>();
  expectIdentifierOrder<ConfigurationId>(assign<ConfigurationId>());
  expectIdentifierOrder<CredentialId>(assign<CredentialId>());
  expectIdentifierOrder<TransactionId>(assign<TransactionId>());

  using P = Parameter;
  expectOrder<P>(&P::operator=, &P::clone, &P::getEncoding, &P::getEncodingEnum, &P::getId,
                 &P::getType, &P::getTypeEnum, &P::getValue,
                 static_cast<void (P::*)(P::ParameterEncoding)>(&P::setEncoding),
                 static_cast<void (P::*)(TString)>(&P::setEncoding), &P::setId,
                 static_cast<void (P::*)(P::ParameterType)>(&P::setType),
                 static_cast<void (P::*)(TString)>(&P::setType), &P::setValue);

  using M = Credential;
  expectManagedOrder<Managed>();
  expectManagedOrder<M>(assign<M>(), &M::setDescription, &M::getDescription,
                        &M::getCredentialElements, &M::getId, &M::setCredentialElements, &M::setId,
                        &M::getProfileId, &M::setProfileId);

  using C = Criteria;
  expectOrder<C>(&C::operator=, &C::clone, &C::getId, &C::getComparison, &C::getValue, &C::setId,
                 &C::setComparison, &C::setValue);

  using T = EntryTemplate;
  expectEntryOrder<Entry>();
  expectEntryOrder<T>(assign<T>(), &T::getEntryCriteria, &T::setEntryCriteria,
                      &T::isCriteriaLogicalAND, &T::setCriteriaLogicalAND, &T::isReadOnly,
                      &T::setReadOnly);

  using E = CredentialElement;
  expectOrder<E>(&E::operator=, &E::clone, &E::getId, &E::getParentCredentialId,
                 &E::setParentCredentialId, &E::setId, &E::isReference, &E::setIsReference,
                 &E::getType, &E::setType, &E::getEncoding, &E::getValue, &E::setEncoding,
                 &E::setValue, &E::isEncrypted, &E::setEncrypted);

  using O = ExternalOperation;
  expectOrder<O>(&O::operator=, &O::clone, &O::getProfileId, &O::setProfileId,
                 &O::getResponseParameters, &O::setResponseParameters, &O::getTransactionId,
                 &O::setTransactionId, &O::getScript, &O::setScript, &O::getParameters,
                 &O::setParameters, &O::getProviderContextId, &O::setProviderContextId, &O::getType,
                 &O::setType, &O::getExternalOperationId, &O::setExternalOperationId);
}

// Manager and ManagerInstance have no virtual destructor: their operations
// follow destroy() directly, or stand alone.
TEST(VtableOrderTest, ManagerClasses) {
  expectOrder<ManagerFactory>();
  expectOrder<ManagerFactoryLookupService>();
  EXPECT_EQ(vtableSlot(&Manager::destroy), 0);
  EXPECT_EQ(vtableSlot(&Manager::execute), 1);
  EXPECT_EQ(vtableSlot(&ManagerInstance::createManager), 0);
}
