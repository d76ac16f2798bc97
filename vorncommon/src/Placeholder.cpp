// Placeholder until the first class family lands.
