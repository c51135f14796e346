#include "catalogue/CatalogueLog.h"

Q_LOGGING_CATEGORY(lcCatalogue, "clipvoice.catalogue")
