#pragma once
// Fixture: a header of the reference engine, which does not ship.
