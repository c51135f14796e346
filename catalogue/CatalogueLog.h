#pragma once

#include <QLoggingCategory>

// Messages of the character catalogue: its folder, the shipped characters.
Q_DECLARE_LOGGING_CATEGORY(lcCatalogue)
