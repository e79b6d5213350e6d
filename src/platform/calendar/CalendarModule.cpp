// The calendar store.
