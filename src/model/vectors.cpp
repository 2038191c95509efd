// The library's instantiations of Vector<T> for the value classes.
#include "foundation/vector_impl.h"
#include "quor/values.h"

namespace Quor {

template class Vector<Criteria>;
template class Vector<Parameter>;
template class Vector<ConfigurationId>;
template class Vector<Entry>;
template class Vector<EntryTemplate>;
template class Vector<CredentialId>;
template class Vector<CredentialElement>;
template class Vector<Credential>;
template class Vector<TransactionId>;
template class Vector<ExternalOperation>;

}  // namespace Quor
