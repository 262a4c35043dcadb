#include "rpc/SecretCheck.h"

#include <gtest/gtest.h>

namespace {

TEST(SecretCheck, OnlyTheExactSecretMatches) {
  EXPECT_TRUE(rpc::SecretMatches("s3cret", "s3cret"));
  EXPECT_FALSE(rpc::SecretMatches("s3cre", "s3cret"));
  EXPECT_FALSE(rpc::SecretMatches("s3crett", "s3cret"));
  EXPECT_FALSE(rpc::SecretMatches("S3cret", "s3cret"));
  EXPECT_FALSE(rpc::SecretMatches(std::string_view("s3cret\0", 7), "s3cret"));
  EXPECT_FALSE(rpc::SecretMatches("", "s3cret"));
}

TEST(SecretCheck, AnEmptyConfiguredSecretLetsNobodyIn) {
  EXPECT_FALSE(rpc::SecretMatches("", ""));
  EXPECT_FALSE(rpc::SecretMatches("x", ""));
}

TEST(SecretCheck, TokenPrefixIsRequired) {
  std::string_view token;
  ASSERT_TRUE(rpc::TokenOf("token:abc", token));
  EXPECT_EQ(token, "abc");
  ASSERT_TRUE(rpc::TokenOf("token:", token));
  EXPECT_EQ(token, "");
  EXPECT_FALSE(rpc::TokenOf("abc", token));
  EXPECT_FALSE(rpc::TokenOf("Token:abc", token));
}

}  // namespace
