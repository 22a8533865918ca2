-- The database delivered with Zandrift ("auction.mdb"). The program never creates a table;
-- it only adds the later columns to files of an older layout.
-- Kinds: INTEGER PRIMARY KEY = auto key; INTEGER = long; SMALLINT = int; DATETIME = sortable
-- text "yyyy-MM-dd HH:mm:ss"; CURRENCY = amount rounded to 1/10000; BOOLEAN = 0/1.

CREATE TABLE Users (
    U_Primary INTEGER PRIMARY KEY AUTOINCREMENT,
    U_EbayName VARCHAR(255) DEFAULT '',
    U_EbayPassword VARCHAR(255) DEFAULT '',
    U_EbayEmail VARCHAR(255) DEFAULT '',
    U_ZandroName VARCHAR(255) NOT NULL,
    U_ZandroPassword VARCHAR(255),
    U_ReminderQuestion VARCHAR(255),
    U_AutoRefreshMins INTEGER DEFAULT 0,
    U_BidSeconds INTEGER DEFAULT 0,
    U_AutoLogOn SMALLINT DEFAULT 0
);
-- The profile wizard relies on a second user of the same program name being refused, in any
-- letter case by Unicode's rules (the collation is the program's own; see NameFolding).
CREATE UNIQUE INDEX U_ZandroName ON Users (U_ZandroName COLLATE NAMEFOLD);

CREATE TABLE Auctions (
    AUC_Primary INTEGER PRIMARY KEY AUTOINCREMENT,
    AUC_User INTEGER DEFAULT 0,
    AUC_Folder INTEGER DEFAULT 0,
    AUC_ItemNumber VARCHAR(255) DEFAULT '',
    AUC_Title VARCHAR(255) DEFAULT '',
    AUC_CurrentBid CURRENCY DEFAULT 0,
    AUC_MinBid CURRENCY DEFAULT 0,
    AUC_Quantity INTEGER DEFAULT 0,
    AUC_NumberOfBids INTEGER DEFAULT 0,
    AUC_TimeLeft VARCHAR(255) DEFAULT '',
    AUC_Ended DATETIME,
    AUC_EndedZone VARCHAR(3) DEFAULT '',
    AUC_Type VARCHAR(255) DEFAULT '',
    AUC_ResistancePoint SMALLINT DEFAULT 0,
    AUC_SnipeOffsetTime SMALLINT DEFAULT 0,
    AUC_Alert BOOLEAN DEFAULT 0,
    AUC_OpenClosed BOOLEAN DEFAULT 0,
    AUC_Refreshed SMALLINT DEFAULT 1,
    AUC_Status SMALLINT DEFAULT 1,
    AUC_MaxBid CURRENCY DEFAULT 0,
    AUC_BidQuantity INTEGER DEFAULT 0,
    AUC_BidSecs INTEGER DEFAULT 0,
    AUC_CityLocation VARCHAR(255) DEFAULT '',
    AUC_CountryRegion VARCHAR(255) DEFAULT '',
    AUC_Seller VARCHAR(255) DEFAULT '',
    AUC_HighBidder VARCHAR(255) DEFAULT '',
    AUC_Paid INTEGER DEFAULT 0,
    AUC_Received INTEGER DEFAULT 0,
    AUC_LeftFeedback INTEGER DEFAULT 0,
    AUC_Comments VARCHAR(255) DEFAULT ''
);
CREATE INDEX AUC_Ended ON Auctions (AUC_Ended);
CREATE INDEX AUC_UserFolder ON Auctions (AUC_User, AUC_Folder);
CREATE INDEX AUC_ItemNumber ON Auctions (AUC_ItemNumber);

CREATE TABLE Folders (
    FLD_Primary INTEGER PRIMARY KEY AUTOINCREMENT,
    FLD_User INTEGER DEFAULT 0,
    FLD_Parent INTEGER DEFAULT 0,
    FLD_Name VARCHAR(255) DEFAULT ''
);
CREATE INDEX FLD_UserParent ON Folders (FLD_User, FLD_Parent);

CREATE TABLE Shortcuts (
    SHT_Primary INTEGER PRIMARY KEY AUTOINCREMENT,
    SHT_User INTEGER DEFAULT 0,
    SHT_Folder INTEGER DEFAULT 0,
    SHT_Auction INTEGER DEFAULT 0,
    SHT_Text VARCHAR(255) DEFAULT ''
);
CREATE INDEX SHT_User ON Shortcuts (SHT_User);

CREATE TABLE Logs (
    LOG_Primary INTEGER PRIMARY KEY AUTOINCREMENT,
    LOG_TimeStamp DATETIME,
    LOG_Auction INTEGER DEFAULT 0,
    LOG_User INTEGER DEFAULT 0,
    LOG_Message VARCHAR(255) DEFAULT ''
);
CREATE INDEX LOG_AuctionUser ON Logs (LOG_Auction, LOG_User);
CREATE INDEX LOG_TimeStamp ON Logs (LOG_TimeStamp);

CREATE TABLE Application (
    APP_SettingsUpdated SMALLINT DEFAULT 0,
    APP_PhoneBookEntry VARCHAR(255) DEFAULT '',
    APP_ConnectionType INTEGER DEFAULT 0,
    APP_ProxyServer VARCHAR(255) DEFAULT '',
    APP_AutoConnect SMALLINT DEFAULT 0,
    APP_AutoTimeSync SMALLINT DEFAULT 0,
    APP_ConnectXPriortoBid SMALLINT DEFAULT 0,
    APP_TimeOffset SMALLINT DEFAULT 0,
    APP_TimeZone VARCHAR(255) DEFAULT '',
    APP_PeriodicTimeSync SMALLINT DEFAULT 0,
    APP_SnipesTemp INTEGER DEFAULT 0
);
INSERT INTO Application (APP_SettingsUpdated) VALUES (0);
